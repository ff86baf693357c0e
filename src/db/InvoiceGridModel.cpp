#include "InvoiceGridModel.h"

#include "InvoiceQuery.h"
#include "OdbcCursor.h"

#include <QBrush>
#include <QColor>
#include <QGuiApplication>
#include <QPalette>

namespace {

enum class Source { None, Text, Date, Amount, Cents };

struct ColumnSource {
    InvoiceGridModel::Column column;
    const char *source; // column of the list statement
    Source kind;
};

const ColumnSource Columns[InvoiceGridModel::ColumnCount] = {
    {{"kprq", "kprq", 28, true}, nullptr, Source::None},
    {{"ghdw", "购货单位", 128, false}, "ghdw", Source::Text},
    {{"zjmc", "证件名称", 78, false}, "zjlx", Source::Text},
    {{"sfzhm", "证件号码", 117, false}, "sfzhm", Source::Text},
    {{"lxdh", "联系电话", 90, false}, "lxdh", Source::Text},
    {{"yzbm", "邮政编码", 90, false}, "yzbm", Source::Text},
    {{"dz", "地址", 119, false}, "lxdz", Source::Text},
    {{"fdjhm", "发动机号码", 109, false}, "fdjhm", Source::Text},
    {{"sccj", "生产企业名称", 126, false}, "cd", Source::Text},
    {{"cjhm", "车架号码", 83, false}, "cjhm", Source::Text},
    {{"cpxh", "厂牌型号", 89, false}, "cpxh", Source::Text},
    {{"kprq", "开票日期", 74, false}, "kprq", Source::Date},
    {{"fphm", "发票号码", 71, false}, "jdhm", Source::Text},
    {{"fpdm", "发票代码", 102, false}, "jddm", Source::Text},
    {{"jshj", "价税合计", 91, false}, "jshj", Source::Amount},
    {{"pql", "排气量", 90, false}, nullptr, Source::None},
    {{"zzsl", "增值税率", 61, false}, "zzssl", Source::Text},
    {{"dw", "吨位", 51, false}, "dw", Source::Text},
    {{"xxry", "限乘人员", 63, false}, "xcrs", Source::Text},
    {{"xhdwsbh", "销货单位识别号", 107, false}, "nsrsbh", Source::Text},
    {{"zgswjg", "主管税务机关代码", 109, false}, "zgswjg_dm", Source::Text},
    {{"xhdwdz", "销货单位地址", 90, false}, "dz", Source::Text},
    {{"xhdwdh", "销货单位电话", 90, false}, "dh", Source::Text},
    {{"khyh", "开户银行", 90, false}, "khyh", Source::Text},
    {{"zh", "帐号", 90, false}, "zh", Source::Text},
    {{"bz", "", 90, true}, "scbz", Source::Text},
    {{"bhsj", "", 90, true}, "bhsj", Source::Cents},
};

const QColor MoneyGreen(192, 220, 192);

} // namespace

const InvoiceGridModel::Column &InvoiceGridModel::ColumnAt(int column)
{
    return Columns[column].column;
}

InvoiceGridModel::InvoiceGridModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void InvoiceGridModel::Load(OdbcCursor &cursor)
{
    int sources[ColumnCount];
    for (int c = 0; c < ColumnCount; ++c)
        sources[c] = Columns[c].source ? cursor.IndexOf(QString::fromLatin1(Columns[c].source)) : -1;

    QString text;
    std::vector<quint32> ends;
    while (cursor.Next()) {
        for (int c = 0; c < ColumnCount; ++c) {
            if (sources[c] >= 0) {
                const QStringView value = cursor.Text(sources[c]);
                switch (Columns[c].kind) {
                case Source::Date:
                    text += IssueDayText(value);
                    break;
                case Source::Amount:
                    text += AmountText(value);
                    break;
                case Source::Cents:
                    text += CentsText(value);
                    break;
                default:
                    text += value;
                }
            }
            ends.push_back(static_cast<quint32>(text.size()));
        }
    }
    beginResetModel();
    m_changed.clear();
    m_text = std::move(text);
    m_ends = std::move(ends);
    m_text.squeeze();
    m_ends.shrink_to_fit();
    endResetModel();
}

void InvoiceGridModel::Clear()
{
    beginResetModel();
    m_changed.clear();
    m_text.clear();
    m_ends.clear();
    endResetModel();
}

void InvoiceGridModel::SetUploadColours(bool on)
{
    if (m_uploadColours == on)
        return;
    m_uploadColours = on;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::BackgroundRole});
}

namespace {
bool inside(int row, int column, int rows)
{
    return row >= 0 && row < rows && column >= 0 && column < InvoiceGridModel::ColumnCount;
}
} // namespace

void InvoiceGridModel::SetCell(int row, int column, const QString &text)
{
    if (!inside(row, column, rowCount()))
        return;
    m_changed[static_cast<size_t>(row) * ColumnCount + column] = text;
    emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
}

QString InvoiceGridModel::Cell(int row, int column) const
{
    if (!inside(row, column, rowCount()))
        return {};
    const size_t cell = static_cast<size_t>(row) * ColumnCount + column;
    if (!m_changed.empty()) {
        if (const auto changed = m_changed.find(cell); changed != m_changed.end())
            return changed->second;
    }
    const quint32 start = cell == 0 ? 0 : m_ends[cell - 1];
    return m_text.mid(start, m_ends[cell] - start);
}

int InvoiceGridModel::FindInvoice(const QString &invoiceCode, const QString &invoiceNumber) const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (Cell(row, colInvoiceNumber) == invoiceNumber && Cell(row, colInvoiceCode) == invoiceCode)
            return row;
    }
    return -1;
}

int InvoiceGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_ends.size() / ColumnCount);
}

int InvoiceGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant InvoiceGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return Cell(index.row(), index.column());
    case Qt::TextAlignmentRole:
        if (index.column() == colTotal)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        if (!m_uploadColours)
            return {};
        // Uploaded invoices money green, the others in the pale tooltip yellow.
        if (Cell(index.row(), colUploadMark) == QLatin1String("1"))
            return QBrush(MoneyGreen);
        return QBrush(QGuiApplication::palette().color(QPalette::ToolTipBase));
    default:
        return {};
    }
}

QVariant InvoiceGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return QString::fromUtf8(Columns[section].column.heading);
}
