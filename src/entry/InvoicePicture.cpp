#include "InvoicePicture.h"

#include <QPainter>

namespace {

constexpr int Width = 737;
constexpr int Height = 431;
constexpr int TableLeft = 10;
constexpr int TableTop = 64;
constexpr int RowHeight = 28;

// The table row by row, left to right: a caption (its text) or a field (its control's name),
// with its width; every row is 717 wide.
struct Part {
    bool field;
    const char16_t *text;
    int width;
};
const std::vector<std::vector<Part>> &tableRows()
{
    static const std::vector<std::vector<Part>> rows = {
        {{false, u"机打代码", 80}, {true, u"stJDDM", 180}, {false, u"机打号码", 80}, {true, u"stJDHM", 130},
         {false, u"机器编号", 80}, {false, u"", 167}},
        {{false, u"购货单位（人）", 110}, {true, u"edtGHDW", 280}, {false, u"身份证号码/组织机构代码", 170},
         {true, u"edtGHDWID", 157}},
        {{false, u"车辆类型", 70}, {true, u"cmbCLLX", 150}, {false, u"厂牌型号", 70}, {true, u"cmbCPXH", 200},
         {false, u"产地", 50}, {true, u"edtCD", 177}},
        {{false, u"合格证号", 70}, {true, u"edtHGZHM", 150}, {false, u"进口证明书号", 90}, {true, u"edtJKZMHM", 150},
         {false, u"商检单号", 70}, {true, u"edtSJDHM", 187}},
        {{false, u"发动机号码", 80}, {true, u"edtFDJH", 220}, {false, u"车辆识别代号/车架号码", 150},
         {true, u"edtCJHM", 267}},
        {{false, u"价税合计", 80}, {true, u"stJSHJDX", 400}, {false, u"小写", 50}, {true, u"edtJSHJ", 187}},
        {{false, u"销货单位名称", 100}, {true, u"edtXHDW", 300}, {false, u"电话", 60}, {true, u"edtDH", 257}},
        {{false, u"纳税人识别号", 100}, {true, u"edtSH", 300}, {false, u"账号", 60}, {true, u"edtZH", 257}},
        {{false, u"地址", 100}, {true, u"edtDZ", 300}, {false, u"开户银行", 60}, {true, u"edtBank", 257}},
        {{false, u"增值税税率或征收率", 130}, {true, u"cbxSL", 90}, {false, u"增值税税额", 80}, {true, u"stZZSSE", 130},
         {false, u"主管税务机关及代码", 130}, {true, u"edtZGSWJG", 157}},
        {{false, u"不含税价", 80}, {true, u"stBHSJ", 140}, {false, u"吨位", 50}, {true, u"edtDW", 100},
         {false, u"限乘人数", 70}, {true, u"edtXCRS", 90}, {false, u"开票日期", 70}, {true, u"dateKPRQ", 117}},
    };
    return rows;
}

std::vector<InvoiceCell> makeLayout()
{
    std::vector<InvoiceCell> cells;
    // Above the table: the invoice's code and number, top right.
    cells.push_back({QRect(520, 8, 70, 22), false, QStringLiteral("发票代码")});
    cells.push_back({QRect(590, 8, 137, 22), true, QStringLiteral("edtFPDM")});
    cells.push_back({QRect(520, 34, 70, 22), false, QStringLiteral("发票号码")});
    cells.push_back({QRect(590, 34, 137, 22), true, QStringLiteral("edtFPHM")});
    int y = TableTop;
    for (const std::vector<Part> &row : tableRows()) {
        int x = TableLeft;
        for (const Part &part : row) {
            cells.push_back({QRect(x, y, part.width, RowHeight), part.field, QString::fromUtf16(part.text)});
            x += part.width;
        }
        y += RowHeight;
    }
    // Below it: the seller's stamp and the issuer.
    cells.push_back({QRect(TableLeft, y + 8, 120, 22), false, QStringLiteral("销货单位（章）")});
    cells.push_back({QRect(480, y + 8, 60, 22), false, QStringLiteral("开票人")});
    cells.push_back({QRect(540, y + 8, 120, 22), true, QStringLiteral("stKPR")});
    return cells;
}

} // namespace

const std::vector<InvoiceCell> &InvoiceLayout()
{
    static const std::vector<InvoiceCell> cells = makeLayout();
    return cells;
}

QRect InvoiceFieldRect(const QString &name)
{
    for (const InvoiceCell &cell : InvoiceLayout()) {
        if (cell.field && cell.text == name)
            return cell.rect;
    }
    return {};
}

InvoicePicture::InvoicePicture(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Image1"));
    setFixedSize(Width, Height);
}

void InvoicePicture::paintEvent(QPaintEvent *)
{
    // The printed parts of such an invoice are brown on pale paper.
    const QColor ink(128, 64, 32);
    QPainter painter(this);
    painter.fillRect(rect(), QColor(255, 252, 240));
    painter.setPen(ink);

    QFont title = font();
    title.setPixelSize(24);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(150, 6, 360, 32), Qt::AlignCenter, QStringLiteral("机动车销售统一发票"));
    QFont small = font();
    small.setPixelSize(12);
    painter.setFont(small);
    painter.drawText(QRect(150, 38, 360, 18), Qt::AlignCenter, QStringLiteral("发 票 联"));
    painter.drawLine(240, 36, 420, 36);
    painter.drawLine(240, 39, 420, 39);

    const int tableBottom = TableTop + RowHeight * int(tableRows().size());
    for (const InvoiceCell &cell : InvoiceLayout()) {
        const bool inTable = cell.rect.top() >= TableTop && cell.rect.bottom() < tableBottom;
        if (inTable)
            painter.drawRect(cell.rect);
        if (!cell.field)
            painter.drawText(cell.rect.adjusted(3, 0, -3, 0), Qt::AlignCenter | Qt::TextWordWrap, cell.text);
    }
    painter.setPen(QPen(ink, 2));
    painter.drawRect(QRect(TableLeft, TableTop, Width - 2 * TableLeft, tableBottom - TableTop));
}
