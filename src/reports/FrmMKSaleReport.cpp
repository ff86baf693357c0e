#include "FrmMKSaleReport.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include "FolderBrowser.h"
#include "SaleReport.h"
#include "XlsSheet.h"
#include "config/AppError.h"
#include "config/ErrorDisplay.h"
#include "config/MessageBoxes.h"
#include "config/Settings.h"
#include "config/Util.h"

namespace {

constexpr int SheetColumns = 7;

// The sheet as lines and texts, one cell row per text line, across the page's width.
void printSheet(QPrinter &printer, const QList<QStringList> &cells)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    const QRect page = painter.viewport();
    const int rowHeight = painter.fontMetrics().height() * 3 / 2;
    const int columnWidth = page.width() / SheetColumns;
    int top = 0;
    for (const QStringList &row : cells) {
        if (top + rowHeight > page.height()) {
            printer.newPage();
            top = 0;
        }
        for (int column = 0; column < SheetColumns && column < row.size(); ++column) {
            const QRect cell(column * columnWidth, top, columnWidth, rowHeight);
            painter.drawRect(cell);
            painter.drawText(cell.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, row[column]);
        }
        top += rowHeight;
    }
    painter.end();
}

} // namespace

TfrmMKSaleReport::TfrmMKSaleReport(TJdcConnection &connection, FolderBrowser *browser, const Clock &clock,
                                   QWidget *parent)
    : QDialog(parent)
    , m_connection(connection)
    , m_ownBrowser(browser ? nullptr : std::make_unique<QtFolderBrowser>())
    , m_browser(browser ? *browser : *m_ownBrowser)
    , m_month(SaleReportMonth(clock.now().date()))
    , m_edtPath(new QLineEdit(this))
    , m_edtRepName(new QLineEdit(this))
    , m_btnMakeRep(new QPushButton(QStringLiteral("生成报表"), this))
    , m_bitBtn2(new QPushButton(QStringLiteral("关闭"), this))
    , m_btnPrt(new QPushButton(QStringLiteral("打印"), this))
    , m_f1Book1(new QTableView(this))
    , m_sheet(new QStandardItemModel(this))
{
    setObjectName(QStringLiteral("frmMKSaleReport"));
    setWindowTitle(QStringLiteral("生成《机动车销售统一发票清单》"));
    setMinimumSize(900, 600);

    auto *pathLabel = new QLabel(QStringLiteral("报表生成路径:"), this);
    pathLabel->setObjectName(QStringLiteral("StaticText2"));
    auto *nameLabel = new QLabel(QStringLiteral("生成的报表名称："), this);
    nameLabel->setObjectName(QStringLiteral("StaticText1"));
    m_edtPath->setObjectName(QStringLiteral("edtPath"));
    m_edtPath->setReadOnly(true);
    m_edtRepName->setObjectName(QStringLiteral("edtRepName"));
    m_edtRepName->setReadOnly(true);
    m_btnMakeRep->setObjectName(QStringLiteral("btnMakeRep"));
    m_bitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    m_btnPrt->setObjectName(QStringLiteral("btnPrt"));
    m_btnPrt->setVisible(false);
    m_f1Book1->setObjectName(QStringLiteral("F1Book1"));
    m_f1Book1->setModel(m_sheet);
    connect(m_btnMakeRep, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnMakeRepClick(); }); });
    connect(m_btnPrt, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnPrtClick(); }); });
    connect(m_bitBtn2, &QPushButton::clicked, this, &QDialog::close);

    auto *fields = new QGridLayout;
    fields->addWidget(pathLabel, 0, 0);
    fields->addWidget(m_edtPath, 0, 1);
    fields->addWidget(nameLabel, 1, 0);
    fields->addWidget(m_edtRepName, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addLayout(fields, 1);
    for (QPushButton *button : {m_btnMakeRep, m_btnPrt, m_bitBtn2})
        buttons->addWidget(button);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_f1Book1, 1);

    RunGuarded([this] { FormShow(); });
}

TfrmMKSaleReport::~TfrmMKSaleReport() = default;

void TfrmMKSaleReport::FormShow()
{
    m_edtPath->setText(ReadReportPath());
    m_edtRepName->setText(SaleReportName(Seller().SellerName, m_month));
    // The default folder is stored without a separator; the report is still looked for inside it.
    m_reportPath = SaleReportPath(m_edtPath->text(), Seller().SellerName, m_month);
    if (QFile::exists(m_reportPath))
        ShowCells(ReadXlsCells(m_reportPath));
    else if (QFile::exists(SaleReportTemplatePath()))
        ShowCells(XlsSheet::FromTemplate(SaleReportTemplatePath()).Cells());
    SetSheetView();
}

void TfrmMKSaleReport::btnMakeRepClick()
{
    if (!QFile::exists(SaleReportTemplatePath())) {
        ShowWarning(QStringLiteral("模板文件不存在！"));
        return;
    }
    const QString folder = m_browser.Browse(QStringLiteral("请选择文件存储路径"), ReportPathToBrowse());
    if (folder.isEmpty())
        return;
    m_edtPath->setText(SaleReportFolder(folder));
    m_reportPath = SaleReportPath(folder, Seller().SellerName, m_month);
    if (QFile::exists(m_reportPath) && !AskYesNo(m_reportPath + QStringLiteral("已经存在，是否重新生成？？")))
        return;
    MakeSaleReport();
}

bool TfrmMKSaleReport::MakeSaleReport()
{
    try {
        WriteSaleReport(m_connection, SaleReportTemplatePath(), m_reportPath, m_month, Seller());
    } catch (const AppError &error) {
        ShowInfo(error.text());
        return false;
    } catch (const std::exception &error) {
        ShowInfo(QString::fromUtf8(error.what()));
        return false;
    }
    ShowCells(ReadXlsCells(m_reportPath));
    SetSheetView();
    ShowInfo(QStringLiteral("成功生成") + m_edtRepName->text());
    return true;
}

void TfrmMKSaleReport::btnPrtClick()
{
    if (!QFile::exists(m_reportPath)) {
        ShowWarning(QStringLiteral("报表文件不存在!"));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        printSheet(printer, ReadXlsCells(m_reportPath));
}

QList<QStringList> TfrmMKSaleReport::ShownCells() const
{
    QList<QStringList> cells;
    for (int row = 0; row < m_sheet->rowCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < m_sheet->columnCount(); ++column) {
            const QStandardItem *item = m_sheet->item(row, column);
            texts << (item ? item->text() : QString());
        }
        cells << texts;
    }
    return cells;
}

void TfrmMKSaleReport::ShowCells(const QList<QStringList> &cells)
{
    m_sheet->clear();
    m_sheet->setColumnCount(SheetColumns);
    for (const QStringList &row : cells) {
        QList<QStandardItem *> items;
        for (int column = 0; column < SheetColumns; ++column) {
            auto *item = new QStandardItem(column < row.size() ? row[column] : QString());
            item->setEditable(false);
            items << item;
        }
        m_sheet->appendRow(items);
    }
}

void TfrmMKSaleReport::SetSheetView()
{
    m_f1Book1->horizontalHeader()->setVisible(false);
    m_f1Book1->verticalHeader()->setVisible(false);
    m_f1Book1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int column = SheetColumns; column < m_sheet->columnCount(); ++column)
        m_f1Book1->setColumnHidden(column, true);
    m_f1Book1->resizeColumnsToContents();
}

void TfrmMKSaleReport::StoreReportPath()
{
    WriteReportPath(TUtil::TrimControls(m_edtPath->text()).toString());
}

void TfrmMKSaleReport::done(int result)
{
    // Every way out ends here (关闭, Escape, the close box): the folder is stored for next time.
    if (isVisible())
        RunGuarded([this] { StoreReportPath(); });
    QDialog::done(result);
}
