#include "FrmSBSJ.h"

#include <exception>

#include <QDate>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "FolderBrowser.h"
#include "TaxML.h"
#include "config/AppError.h"
#include "config/ErrorDisplay.h"
#include "config/MessageBoxes.h"
#include "config/Settings.h"

TfrmSBSJ::TfrmSBSJ(TJdcConnection &connection, FolderBrowser *browser, const Clock &clock, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , m_connection(connection)
    , m_ownBrowser(browser ? nullptr : std::make_unique<QtFolderBrowser>())
    , m_browser(browser ? *browser : *m_ownBrowser)
    , m_clock(clock)
    , m_dtpMonth(new QDateEdit(this))
    , m_btnOK(new QPushButton(QStringLiteral("确定"), this))
    , m_btnCancel(new QPushButton(QStringLiteral("取消"), this))
{
    setObjectName(QStringLiteral("frmSBSJ"));
    setWindowTitle(QStringLiteral("生成上报数据"));

    auto *group = new QGroupBox(QStringLiteral("请选择上报数据月份"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto *label = new QLabel(QStringLiteral("上报数据月份"), group);
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(m_dtpMonth);
    m_dtpMonth->setObjectName(QStringLiteral("dtpMonth"));
    m_dtpMonth->setDisplayFormat(QStringLiteral("yyyy年MM月"));
    m_dtpMonth->setCalendarPopup(true);
    // Usually last month's data is declared.
    const QDate today = m_clock.now().date();
    m_dtpMonth->setDate(QDate(today.year(), today.month(), 1).addMonths(-1));
    auto *fields = new QHBoxLayout(group);
    fields->addWidget(label);
    fields->addWidget(m_dtpMonth);

    m_btnOK->setObjectName(QStringLiteral("btnOK"));
    m_btnOK->setDefault(true);
    connect(m_btnOK, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnOKClick(); }); });
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(m_btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnOK);
    buttons->addWidget(m_btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(group);
    layout->addLayout(buttons);
}

TfrmSBSJ::~TfrmSBSJ() = default;

bool TfrmSBSJ::CheckSBSJMonth()
{
    if (SBSJMonthAllowed(m_dtpMonth->date(), m_clock.now().date()))
        return true;
    ShowWarning(QStringLiteral("只能生成当前月或以前月的数据！"));
    return false;
}

bool TfrmSBSJ::MakeSBSJXml()
{
    const QString folder = m_browser.BrowseFromLastFolder(QStringLiteral("请选择文件存储路径"));
    if (folder.isEmpty())
        return false;
    // A failure's reason is the operator's to read: a folder that cannot be written, a database
    // that went away.
    try {
        WriteSBSJArchive(m_connection, folder, m_dtpMonth->date(), Seller());
        return true;
    } catch (const AppError &error) {
        ShowError(QStringLiteral("生成上报数据失败！原因：") + error.text());
    } catch (const std::exception &error) {
        ShowError(QStringLiteral("生成上报数据失败！原因：") + QString::fromUtf8(error.what()));
    }
    return false;
}

void TfrmSBSJ::btnOKClick()
{
    if (!CheckSBSJMonth() || !MakeSBSJXml())
        return;
    m_done = true;
    ShowInfo(QStringLiteral("生成上报数据成功！"));
    accept();
}

void TfrmSBSJ::btnCancelClick()
{
    m_done = true;
    reject();
}

void TfrmSBSJ::done(int result)
{
    // Every way out (close box, Escape, accept or reject from outside) waits for the flag.
    if (m_done)
        QDialog::done(result);
}

void TfrmSBSJ::keyPressEvent(QKeyEvent *event)
{
    // Escape is the Cancel button.
    if (event->matches(QKeySequence::Cancel)) {
        m_btnCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
