#include "FrmUploadJournal.h"

#include "config/Clock.h"
#include "config/MessageBoxes.h"

#include <QClipboard>
#include <QDateEdit>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QStringList Headings{QStringLiteral("时间"),     QStringLiteral("类型"),     QStringLiteral("发票代码"),
                           QStringLiteral("发票号码"), QStringLiteral("服务器"),   QStringLiteral("动作"),
                           QStringLiteral("HTTP"),     QStringLiteral("结果"),     QStringLiteral("结果信息"),
                           QStringLiteral("用时(ms)")};

QPushButton *button(const char *name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TfrmUploadJournal::TfrmUploadJournal(const Clock &clock, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmUploadJournal"));
    setWindowTitle(QStringLiteral("上传日志"));
    const QDate today = clock.now().date();
    m_from = new QDateEdit(today.addDays(-30), this);
    m_from->setObjectName(QStringLiteral("dtpStart"));
    m_to = new QDateEdit(today, this);
    m_to->setObjectName(QStringLiteral("dtpEnd"));
    for (QDateEdit *edit : {m_from, m_to}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
    }
    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("edtFPHM"));
    QPushButton *query = button("btnQry", QStringLiteral("查询"), this);
    QPushButton *copy = button("btnCopy", QStringLiteral("复制"), this);
    QPushButton *close = button("btnClose", QStringLiteral("关闭"), this);

    m_table = new QTableWidget(0, int(Headings.size()), this);
    m_table->setObjectName(QStringLiteral("dsGrid1"));
    m_table->setHorizontalHeaderLabels(Headings);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("起始日期"), this));
    filters->addWidget(m_from);
    filters->addWidget(new QLabel(QStringLiteral("截止日期"), this));
    filters->addWidget(m_to);
    filters->addWidget(new QLabel(QStringLiteral("发票号码"), this));
    filters->addWidget(m_number);
    filters->addWidget(query);
    filters->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table);
    layout->addLayout(buttons);

    connect(query, &QPushButton::clicked, this, &TfrmUploadJournal::btnQueryClick);
    connect(copy, &QPushButton::clicked, this, &TfrmUploadJournal::btnCopyClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    // Wide enough for every column of an entry; the centring of modal windows keeps the size.
    setMinimumSize(960, 420);
    btnQueryClick();
}

void TfrmUploadJournal::btnQueryClick()
{
    UploadJournal journal;
    if (!journal.IsOpen()) {
        ShowWarning(QStringLiteral("上传日志无法打开：") + journal.Error());
        return;
    }
    m_entries = journal.Entries(m_from->date(), m_to->date(), m_number->text().trimmed());
    m_table->setRowCount(int(m_entries.size()));
    for (int row = 0; row < m_entries.size(); ++row) {
        const JournalEntry &e = m_entries[row];
        const QStringList cells{e.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                e.kind,
                                e.invoiceCode,
                                e.invoiceNumber,
                                e.host,
                                e.action,
                                e.httpStatus ? QString::number(e.httpStatus) : e.transportError,
                                e.resultValue,
                                e.resultMessage,
                                QString::number(e.elapsedMs)};
        for (int column = 0; column < cells.size(); ++column)
            m_table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    m_table->resizeColumnsToContents();
    if (!m_entries.isEmpty())
        m_table->selectRow(0);
}

void TfrmUploadJournal::btnCopyClick()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= m_entries.size()) {
        ShowWarning(QStringLiteral("请先选择一条日志！"));
        return;
    }
    QGuiApplication::clipboard()->setText(JournalEntryText(m_entries[row]));
}
