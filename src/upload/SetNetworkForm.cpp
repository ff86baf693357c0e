#include "SetNetworkForm.h"

#include <algorithm>

#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QValidator>
#include <QVBoxLayout>

#include "config/ErrorDisplay.h"
#include "config/GbkText.h"
#include "config/MessageBoxes.h"
#include "config/ModalDialogs.h"
#include "config/Settings.h"
#include "entry/NumberEdit.h"

namespace {

// Cuts what was typed or pasted last (it sits before the caret) until the box fits its
// limit. A box the program filled beyond the limit may keep that length but not grow.
class TypedByteLimit final : public QValidator
{
public:
    TypedByteLimit(QLineEdit &edit, qsizetype maxBytes)
        : QValidator(&edit)
        , m_maxBytes(maxBytes)
        , m_shownBytes(Gbk::byteLength(edit.text()))
    {
        // Emitted after validation, so validate() sees the length before the change.
        connect(&edit, &QLineEdit::textChanged, this,
                [this](const QString &text) { m_shownBytes = Gbk::byteLength(text); });
    }

    State validate(QString &input, int &pos) const override
    {
        const qsizetype allowed = std::max(m_maxBytes, m_shownBytes);
        qsizetype caret = std::clamp<qsizetype>(pos, 0, input.size());
        while (Gbk::byteLength(input) > allowed) {
            if (caret == 0)
                return Invalid;
            const bool pair = caret >= 2 && input.at(caret - 1).isLowSurrogate() && input.at(caret - 2).isHighSurrogate();
            const qsizetype width = pair ? 2 : 1;
            input.remove(caret - width, width);
            caret -= width;
        }
        pos = int(caret);
        return Acceptable;
    }

private:
    qsizetype m_maxBytes;
    qsizetype m_shownBytes;
};

QLineEdit *limitedEdit(const char *name, qsizetype maxBytes, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    LimitTypedBytes(*edit, maxBytes);
    return edit;
}

QLabel *label(const char *name, const QString &text, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    result->setObjectName(QLatin1String(name));
    return result;
}

int wholeNumber(const QString &text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : fallback;
}

bool startsWithNoCase(const QString &text, const char *prefix)
{
    return text.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

} // namespace

void LimitTypedBytes(QLineEdit &edit, qsizetype maxBytes)
{
    edit.setValidator(new TypedByteLimit(edit, maxBytes));
}

void SetWholeText(QLineEdit &edit, const QString &text)
{
    // The validator sees every setText too; without it the text goes in as it is.
    const QValidator *limit = edit.validator();
    edit.setValidator(nullptr);
    edit.setText(text);
    edit.setValidator(limit);
}

TSetNetworkForm::TSetNetworkForm(QWidget *parent)
    : QDialog(parent)
    , m_pages(new QTabWidget(this))
{
    setObjectName(QStringLiteral("SetNetworkForm"));
    setWindowTitle(QStringLiteral("上传参数设置"));
    m_pages->setObjectName(QStringLiteral("pgcMain"));
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));
    m_pages->addTab(page, QStringLiteral("常规"));

    auto *server = new QGroupBox(QStringLiteral("申报服务器"), page);
    server->setObjectName(QStringLiteral("GroupBox1"));
    m_serverAddr = limitedEdit("edtServerAddr", 30, server);
    m_serverAddr->setMinimumWidth(200);
    m_serverPort = limitedEdit("edtServerPort", 6, server);
    m_serverPort->installEventFilter(this);
    auto *serverGrid = new QGridLayout(server);
    serverGrid->addWidget(label("Label1", QStringLiteral("服务器地址:"), server), 0, 0);
    serverGrid->addWidget(m_serverAddr, 0, 1);
    serverGrid->addWidget(label("Label12", QStringLiteral("服务器端口号:"), server), 1, 0);
    serverGrid->addWidget(m_serverPort, 1, 1);

    auto *upload = new QGroupBox(QStringLiteral("数据上传"), page);
    upload->setObjectName(QStringLiteral("GroupBox2"));
    m_interval = limitedEdit("edtInterval", 3, upload);
    m_interval->setText(QString::number(MinInterval));
    m_interval->installEventFilter(this);
    auto *upDown = new QWidget(upload);
    upDown->setObjectName(QStringLiteral("UpDown1"));
    auto *up = MakeStepArrow("btnUp", Qt::UpArrow, upDown);
    auto *down = MakeStepArrow("btnDown", Qt::DownArrow, upDown);
    connect(up, &QToolButton::clicked, this, [this] { StepInterval(1); });
    connect(down, &QToolButton::clicked, this, [this] { StepInterval(-1); });
    auto *arrows = new QVBoxLayout(upDown);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(up);
    arrows->addWidget(down);
    m_times = limitedEdit("edtTimes", 1, upload);
    m_times->setText(QStringLiteral("0"));
    m_times->setEnabled(false);
    // Box and arrows side by side without a gap, as one spin control.
    auto *spin = new QHBoxLayout;
    spin->setSpacing(0);
    spin->addWidget(m_interval);
    spin->addWidget(upDown);
    auto *uploadGrid = new QGridLayout(upload);
    uploadGrid->addWidget(label("Label2", QStringLiteral("自动上传间隔:"), upload), 0, 0);
    uploadGrid->addLayout(spin, 0, 1);
    uploadGrid->addWidget(label("Label4", QStringLiteral("秒"), upload), 0, 2);
    uploadGrid->addWidget(label("Label3", QStringLiteral("上传重试次数:"), upload), 1, 0);
    uploadGrid->addWidget(m_times, 1, 1);
    uploadGrid->addWidget(label("Label5", QStringLiteral("次"), upload), 1, 2);

    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(server);
    pageLayout->addWidget(upload);

    QHBoxLayout *buttons = OkCancelRow(this, QStringLiteral("btnOk"), QStringLiteral("btnCancel"), [this] { btnOkClick(); });
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);

    m_pages->setCurrentWidget(page);
    LoadNetSettings();
    m_serverAddr->setFocus();
}

bool TSetNetworkForm::CheckServerAddr(const QString &address)
{
    QString host = address;
    if (startsWithNoCase(address, "http://") || startsWithNoCase(address, "https://"))
        host = address.mid(address.indexOf(QLatin1String("//")) + 2);
    const bool plain = std::all_of(host.cbegin(), host.cend(), [](QChar c) {
        return c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('.'));
    });
    return plain && !host.contains(QLatin1String(".."));
}

void TSetNetworkForm::LoadNetSettings()
{
    const SettingsValues &values = AppSettings();
    const QString &stored = values.AuthenServer;
    // The last colon, so that the scheme's colon stays with the address.
    const qsizetype colon = stored.lastIndexOf(QLatin1Char(':'));
    QString address = colon < 0 ? QString() : stored.left(colon);
    if (!startsWithNoCase(address, "http"))
        address.prepend(QStringLiteral("http://"));
    SetWholeText(*m_serverAddr, address);
    SetWholeText(*m_serverPort, stored.mid(colon + 1));
    m_position = std::clamp(values.InterTime, MinInterval, MaxInterval);
    SetWholeText(*m_interval, QString::number(values.InterTime));
    SetWholeText(*m_times, QString::number(values.RetryTimes));
}

void TSetNetworkForm::edtServerPortExit()
{
    if (m_serverPort->text().isEmpty())
        m_serverPort->setText(startsWithNoCase(m_serverAddr->text(), "https") ? QStringLiteral("443")
                                                                               : QStringLiteral("80"));
}

void TSetNetworkForm::StepInterval(int delta)
{
    // As a spin control bound to its box: a number in range typed there is where the arrows
    // go on from; anything else leaves them where they were.
    const int typed = wholeNumber(m_interval->text(), 0);
    if (typed >= MinInterval && typed <= MaxInterval)
        m_position = typed;
    m_position = std::clamp(m_position + delta, MinInterval, MaxInterval);
    SetWholeText(*m_interval, QString::number(m_position));
}

bool TSetNetworkForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_serverPort && event->type() == QEvent::FocusOut) {
        // Only a move to another control counts, not the window losing the focus to a box.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            edtServerPortExit();
    } else if (watched == m_interval && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            StepInterval(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TSetNetworkForm::btnOkClick()
{
    if (!CheckServerAddr(m_serverAddr->text())) {
        ShowWarning(QStringLiteral("报税服务器地址不正确！"));
        m_serverAddr->setFocus();
        return;
    }
    // Any port text is taken; the server will tell.
    if (m_serverPort->text().isEmpty()) {
        ShowWarning(QStringLiteral("报税服务器端口号不能为空！"));
        m_serverPort->setFocus();
        return;
    }
    const QString server = m_serverAddr->text() + QLatin1Char(':') + m_serverPort->text();
    const int interval = wholeNumber(m_interval->text(), MinInterval);
    const int retries = wholeNumber(m_times->text(), 0);
    WriteAuthenServer(server);
    // The interval is taken into use once it is stored.
    WriteInterTime(interval);
    AppSettings().InterTime = interval;
    WriteRetryTimes(retries);
    accept();
}

void EditNetworkSettings(QTimer &timer, bool automaticOn)
{
    // No upload starts under the open dialog.
    timer.stop();
    ShowModalCentered<TSetNetworkForm>();
    timer.setInterval(TimerIntervalMs(AppSettings().InterTime));
    if (automaticOn)
        timer.start();
}
