#include "FrmMKICData.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "FolderBrowser.h"
#include "ICData.h"
#include "config/AppError.h"
#include "config/ErrorDisplay.h"
#include "config/GbkText.h"
#include "config/MessageBoxes.h"
#include "config/Settings.h"
#include "config/Util.h"

TfrmMKICData::TfrmMKICData(TJdcConnection &connection, FolderBrowser *browser, const Clock &clock, QWidget *parent)
    : QDialog(parent)
    , m_connection(connection)
    , m_ownBrowser(browser ? nullptr : std::make_unique<QtFolderBrowser>())
    , m_browser(browser ? *browser : *m_ownBrowser)
    , m_month(ICDataMonth(clock.now().date()))
    , m_fileName(ICDataFileName(Seller().SellerTaxNo, clock.now().date()))
    , m_btnPath(new QPushButton(QStringLiteral("请选择导出路径："), this))
    , m_edtFName(new QLineEdit(this))
    , m_btnExport(new QPushButton(QStringLiteral("导出"), this))
    , m_btnClose(new QPushButton(QStringLiteral("关闭"), this))
    , m_webBrowser1(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("frmMKICData"));
    setWindowTitle(QStringLiteral("生成IC卡申报数据"));
    setMinimumSize(760, 520);
    m_btnPath->setObjectName(QStringLiteral("btnPath"));
    m_edtFName->setObjectName(QStringLiteral("edtFName"));
    m_edtFName->setReadOnly(true);
    m_btnExport->setObjectName(QStringLiteral("btnExport"));
    m_btnClose->setObjectName(QStringLiteral("btnClose"));
    // The written file as text, in place of a web view.
    m_webBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    m_webBrowser1->setReadOnly(true);
    connect(m_btnPath, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnPathClick(); }); });
    connect(m_btnExport, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnExportClick(); }); });
    connect(m_btnClose, &QPushButton::clicked, this, &QDialog::close);

    auto *row = new QHBoxLayout;
    row->addWidget(m_btnPath);
    row->addWidget(m_edtFName, 1);
    row->addWidget(m_btnExport);
    row->addWidget(m_btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(m_webBrowser1, 1);
    FormShow();
}

TfrmMKICData::~TfrmMKICData() = default;

void TfrmMKICData::FormShow()
{
    m_edtFName->setText(UserFilesFolder() + m_fileName);
}

void TfrmMKICData::btnPathClick()
{
    QString folder = m_browser.BrowseFromLastFolder(QStringLiteral("请选择导出路径："));
    if (folder.isEmpty())
        return;
    if (!folder.endsWith(QLatin1Char('\\')) && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    m_edtFName->setText(folder + m_fileName);
}

void TfrmMKICData::btnExportClick()
{
    const QString name = TUtil::TrimControls(m_edtFName->text()).toString();
    if (name.isEmpty()) {
        ShowWarning(QStringLiteral("请选择导出文件的路径!"));
        return;
    }
    if (const QString folder = FolderNotReady(name); !folder.isEmpty()) {
        ShowWarning(QStringLiteral("请检测驱动器") + folder + QStringLiteral("是否就绪!"));
        return;
    }
    // The old file is replaced only by a complete new one. For one of another month the question
    // says so too: its name, of the day it was made, tells nothing of its month.
    QString question = name + QStringLiteral("已经存在，是否重新生成？？");
    if (const QString held = ICDataFileMonth(name); !held.isEmpty() && held != m_month)
        question += QStringLiteral("\n其中是%1的数据，将替换为%2的数据。").arg(held, m_month);
    if (QFile::exists(name) && !AskYesNo(question))
        return;
    MakeICData(name);
}

bool TfrmMKICData::MakeICData(const QString &path)
{
    try {
        WriteICDataFile(m_connection, path, m_month, Seller());
    } catch (const EConvertError &error) {
        // A value the file must not carry: the operator is told which invoice holds it.
        ShowError(QStringLiteral("导出数据失败！") + error.text());
        return false;
    } catch (const std::exception &) {
        ShowError(QStringLiteral("导出数据失败！"));
        return false;
    }
    ShowInfo(QStringLiteral("导出数据成功！"));
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        m_webBrowser1->setPlainText(Gbk::decode(file.readAll()));
    return true;
}
