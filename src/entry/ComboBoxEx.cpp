#include "ComboBoxEx.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>

namespace {

// Room for the list's scroll bar and margins beside the longest text.
constexpr int ListExtraWidth = 25;

// True for a key that types something visible. Ctrl with a letter is a shortcut whatever
// text the platform reports; Ctrl+Alt is AltGr, which does type.
bool typesText(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier))
        return false;
    const QString text = event->text();
    return !text.isEmpty() && text.front().isPrint();
}

} // namespace

TMyComboBox::TMyComboBox(QWidget *parent)
    : QComboBox(parent)
    , m_dropDownWidth(width())
{
    // The list can also close without hidePopup(), by a click outside it.
    view()->window()->installEventFilter(this);
    connect(this, &QComboBox::highlighted, this, [this] {
        if (view()->isVisible()) {
            widenList();
            listDrawn();
        }
    });
}

void TMyComboBox::SetShowItemHint(bool show)
{
    m_showItemHint = show;
    if (!show)
        hideItemHint();
}

QWidget *TMyComboBox::ItemHintWindow() const
{
    return m_itemHint;
}

void TMyComboBox::showPopup()
{
    // Before the list is placed, which takes the view's minimum width into account.
    widenList();
    QComboBox::showPopup();
    if (view()->isVisible())
        listDrawn();
}

void TMyComboBox::hidePopup()
{
    hideItemHint();
    QComboBox::hidePopup();
}

void TMyComboBox::keyPressEvent(QKeyEvent *event)
{
    QComboBox::keyPressEvent(event);
    if (typesText(event))
        openAfterTyping();
}

void TMyComboBox::inputMethodEvent(QInputMethodEvent *event)
{
    QComboBox::inputMethodEvent(event);
    if (!event->commitString().isEmpty())
        openAfterTyping();
}

bool TMyComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide && watched == view()->window())
        hideItemHint();
    return QComboBox::eventFilter(watched, event);
}

void TMyComboBox::widenList()
{
    const QFontMetrics metrics(font());
    int widest = width();
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
    const int needed = widest + ListExtraWidth;
    if (needed > m_dropDownWidth) {
        view()->setMinimumWidth(needed);
        m_dropDownWidth = needed;
    }
}

void TMyComboBox::listDrawn()
{
    m_curSelItem = view()->currentIndex().row();
    if (m_showItemHint && m_curSelItem >= 0)
        showItemHint();
    else
        hideItemHint();
    emit selChange();
}

void TMyComboBox::showItemHint()
{
    if (!m_itemHint) {
        m_itemHint = new QLabel(this, Qt::ToolTip);
        m_itemHint->setAttribute(Qt::WA_ShowWithoutActivating);
        m_itemHint->setBackgroundRole(QPalette::ToolTipBase);
        m_itemHint->setForegroundRole(QPalette::ToolTipText);
        m_itemHint->setAutoFillBackground(true);
        m_itemHint->setMargin(1);
    }
    m_itemHint->setFont(font());
    m_itemHint->setText(itemText(m_curSelItem));

    // One line when it fits in the box's width, wrapped to that width when it does not.
    m_itemHint->setWordWrap(false);
    const int hintWidth = std::min(m_itemHint->sizeHint().width(), width());
    m_itemHint->setWordWrap(true);
    const int hintHeight = m_itemHint->heightForWidth(hintWidth);

    // Beside the highlighted row, or beside the last visible row once the list scrolls.
    const QRect list = view()->window()->geometry();
    const int rowHeight = view()->visualRect(view()->currentIndex()).height();
    const int row = std::min(m_curSelItem, maxVisibleItems());
    m_itemHint->setGeometry(list.right() + 1, list.top() + rowHeight * (row + 1), hintWidth,
                            hintHeight);
    m_itemHint->show();
}

void TMyComboBox::hideItemHint()
{
    if (m_itemHint)
        m_itemHint->hide();
}

void TMyComboBox::openAfterTyping()
{
    if (!view()->isVisible())
        showPopup();
    update();
}
