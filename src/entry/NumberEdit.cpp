#include "NumberEdit.h"

#include <QFocusEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

#include "entry/DigitValidator.h"

namespace {

// The character the key would type, or a null QChar for keys that type none. Ctrl with a
// letter is a shortcut (paste among them) however the platform fills in the text; Ctrl+Alt
// is AltGr, which does type.
QChar typedCharacter(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier))
        return {};
    const QString text = event->text();
    return text.size() == 1 ? text.front() : QChar();
}

} // namespace

TNumberEdit::TNumberEdit(QWidget *parent)
    : TEditEx(parent)
    , m_validator(new TDigitValidator(TDigitValidator::Integer, this))
{
    setFont(QFont(QStringLiteral("宋体"), 10));
    setValidator(m_validator);
}

void TNumberEdit::SetInputType(TNumberEditType type)
{
    m_inputType = type;
    m_validator->SetKind(type == tFloat ? TDigitValidator::Decimal : TDigitValidator::Integer);
}

QWidget *TNumberEdit::HintWindow() const
{
    return m_hint;
}

bool TNumberEdit::accepts(QChar typed) const
{
    const QString current = text();
    // Where the typed character lands: the start of a selection replaces it.
    const int caret = hasSelectedText() ? selectionStart() : cursorPosition();
    if (typed == QLatin1Char('-') && (current.isEmpty() || caret == 0))
        return true;
    if (typed == QLatin1Char('.') && m_inputType == tFloat && !current.contains(QLatin1Char('.')))
        return true;
    return !RefusedInNumber(typed);
}

void TNumberEdit::keyPressEvent(QKeyEvent *event)
{
    const QChar typed = typedCharacter(event);
    if (!typed.isNull() && !accepts(typed)) {
        event->accept();
        showHint();
        return;
    }
    TEditEx::keyPressEvent(event);
}

void TNumberEdit::keyReleaseEvent(QKeyEvent *event)
{
    TEditEx::keyReleaseEvent(event);
    freeHint();
}

void TNumberEdit::focusOutEvent(QFocusEvent *event)
{
    freeHint();
    // Switching to another window or opening the context menu does not leave the field.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        QString value = text();
        if (value.startsWith(QLatin1Char('.')))
            value.prepend(QLatin1Char('0'));
        if (value.endsWith(QLatin1Char('.')))
            value.append(QLatin1Char('0'));
        if (value != text()) {
            // Completing the number is not an edit of its own; the user's edit stays one.
            const bool modified = isModified();
            setText(value);
            setModified(modified);
        }
    }
    // After the completion, so editingFinished() sees the finished number.
    TEditEx::focusOutEvent(event);
}

void TNumberEdit::showHint()
{
    if (!m_hint) {
        m_hint = new QLabel(QStringLiteral("只能输入数字！"), this, Qt::ToolTip);
        m_hint->setObjectName(QStringLiteral("NumberEditHint"));
        m_hint->setAttribute(Qt::WA_ShowWithoutActivating);
        m_hint->setBackgroundRole(QPalette::ToolTipBase);
        m_hint->setForegroundRole(QPalette::ToolTipText);
        m_hint->setAutoFillBackground(true);
        m_hint->setFont(font());
    }
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    m_hint->setGeometry(QRect(origin + QPoint(5, 20), QSize(112, 16)));
    m_hint->show();
}

void TNumberEdit::freeHint()
{
    delete m_hint;
    m_hint = nullptr;
}

QToolButton *MakeStepArrow(const char *name, Qt::ArrowType arrow, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(18, 11);
    return button;
}
