#include "UploadFlow.h"

#include "Bookmark.h"
#include "BuyerEntries.h"
#include "InvoiceList.h"
#include "config/Clock.h"
#include "config/MessageBoxes.h"
#include "config/Settings.h"
#include "db/BuyerDetails.h"
#include "db/InvoiceGridModel.h"
#include "db/InvoiceQuery.h"
#include "db/PrintRecord.h"
#include "reports/TaxML.h"
#include "upload/MyIdHttp.h"
#include "upload/UploadJournal.h"

#include <QFileInfo>

namespace {
const QString NothingToUpload = QStringLiteral("没有要上传的信息！");
}

UploadFlow::UploadFlow(const DeclarationSeams &seams)
    : m_seams(seams)
{
}

std::pair<bool, QString> UploadFlow::UploadInvoice(const QString &invoiceCode, const QString &invoiceNumber,
                                                   const std::function<void()> &accepted)
{
    const InvoiceTaxML record = MakeInvoiceTaxML(m_seams.connection, invoiceCode, invoiceNumber);
    if (record.packed.isEmpty())
        return {false, QString()};
    const SettingsValues &settings = AppSettings();
    const QString url = settings.AuthenServer + QLatin1Char('/') + settings.UploadAction;
    if (!TMyIdHttp::CheckUrl(url))
        return {false, QStringLiteral("服务器地址错误，请检查服务器地址！")};

    const QStringList fields{QStringLiteral("NSRSBH=") + Seller().SellerTaxNo,
                             QStringLiteral("PASSWORD=") + settings.AuthenPwd,
                             QStringLiteral("SWJGDM=") + Seller().TaxAuthCode,
                             QStringLiteral("LENGTH=") + QString::number(record.length),
                             QStringLiteral("Record_NUM=1"),
                             QStringLiteral("RZDATA=") + record.packed};
    const QString &kind = UploadKind;
    const QDateTime begun = m_seams.clock.now();
    // Journalled before it goes out: a kill from here until the mark is stored leaves an
    // unfinished entry, which the next start reports.
    qint64 entry = JournalBegin(JournalEntryBefore(kind, invoiceCode, invoiceNumber, url, fields, begun));
    TMyIdHttp http;
    http.Execute(url, fields);
    JournalEntry outcome = JournalEntryOf(kind, invoiceCode, invoiceNumber, http, begun);
    const bool accepting = http.ResultValue == QLatin1String("0");
    outcome.state = accepting ? JournalEntry::Accepted : JournalEntry::Finished;
    entry = JournalUpdate(entry, outcome);
    if (!accepting)
        return {false, http.ResultMessage};
    if (accepted)
        accepted();
    MarkUploaded(m_seams.connection, invoiceCode, invoiceNumber);
    outcome.state = JournalEntry::Finished;
    JournalUpdate(entry, outcome);
    return {true, http.ResultMessage};
}

bool UploadFlow::SelectedInvoice(QString *invoiceCode, QString *invoiceNumber)
{
    const InvoiceGridModel &rows = m_seams.list.Rows();
    const int row = m_seams.list.CurrentRow();
    if (row < 0 || row >= rows.rowCount()) {
        ShowWarning(NothingToUpload);
        return false;
    }
    *invoiceNumber = rows.Cell(row, InvoiceGridModel::colInvoiceNumber);
    *invoiceCode = rows.Cell(row, InvoiceGridModel::colInvoiceCode);
    return true;
}

void UploadFlow::EnsureBuyerRow(const QString &invoiceCode, const QString &invoiceNumber)
{
    // The uploaded mark lives in the buyer-details row.
    if (!BuyerDetailsExist(m_seams.connection, invoiceNumber, invoiceCode))
        InsertBuyerDetails(m_seams.connection, invoiceNumber, invoiceCode, {});
}

void UploadFlow::UploadListed(const QString &invoiceCode, const QString &invoiceNumber)
{
    const auto [accepted, message] = UploadInvoice(invoiceCode, invoiceNumber);
    if (!accepted) {
        ShowWarning(QStringLiteral("上传失败：原因：") + message);
        return;
    }
    m_seams.list.Refresh(invoiceCode, invoiceNumber);
    ShowInfo(message);
}

void UploadFlow::ManualUpload()
{
    QString code;
    QString number;
    if (!SelectedInvoice(&code, &number))
        return;
    // From here on the invoice is the one remembered, wherever the fresh list puts it; when the
    // filters no longer list it, it is not uploaded.
    m_seams.list.Refresh(code, number);
    InvoiceGridModel &rows = m_seams.list.Rows();
    const int row = rows.FindInvoice(code, number);
    if (row < 0) {
        ShowWarning(NothingToUpload);
        return;
    }
    if (AppSettings().ShowInput) {
        const std::optional<BuyerDetails> answer = m_seams.prompt.Ask(DetailsRequestFor(rows, row));
        if (!answer)
            return;
        SetBuyer(rows, row, *answer);
    } else {
        EnsureBuyerRow(code, number);
    }
    UploadListed(code, number);
}

void UploadFlow::AutoUploadStep()
{
    PrintRecord invoice;
    IssueBookmark next;
    QList<UnreadableIssueTime> unreadable;
    const bool found = FindNextNewInvoice(m_seams.connection, m_seams.bookmark.Read(), invoice, next, &unreadable);
    m_seams.bookmark.TellUnreadable(unreadable);
    if (!found)
        return;
    const QString &code = next.invoiceCode;
    const QString &number = next.invoiceNumber;
    m_seams.list.Refresh(code, number);

    if (AppSettings().ShowInput) {
        if (!m_seams.prompt.Ask(DetailsRequestFor(invoice)))
            return;
    } else {
        EnsureBuyerRow(code, number);
    }

    // Accepted: whatever happens next, this invoice is not sent again in this run. The mark is
    // stored before the settings file is written, and the file is written even when the mark
    // could not be.
    bool advanced = false;
    std::pair<bool, QString> outcome;
    try {
        outcome = UploadInvoice(code, number, [this, &next, &advanced] {
            m_seams.bookmark.Advance(next);
            advanced = true;
        });
    } catch (...) {
        if (advanced)
            m_seams.bookmark.Store();
        throw;
    }
    const auto &[accepted, message] = outcome;
    if (!accepted) {
        ShowWarning(message);
        return;
    }
    m_seams.bookmark.Store();
    m_seams.list.Refresh(code, number);
    ShowInfo(message);
}

void UploadFlow::SettleInterruptedUploads()
{
    if (!QFileInfo::exists(UploadJournalPath()))
        return; // nothing was ever sent from here
    UploadJournal journal;
    const QList<JournalEntry> interrupted = journal.Unfinished();
    if (interrupted.isEmpty())
        return;
    QStringList lines;
    for (JournalEntry entry : interrupted) {
        const bool upload = entry.kind == UploadKind;
        const QString which = upload ? InvoiceText(entry.invoiceCode, entry.invoiceNumber) : entry.kind;
        if (entry.state == JournalEntry::Accepted && upload) {
            MarkUploaded(m_seams.connection, entry.invoiceCode, entry.invoiceNumber);
            lines << which + QStringLiteral("：服务器已经接受，现已标记为已上传");
        } else {
            lines << which + QStringLiteral("：已发往申报服务器，但程序在收到答复之前中断，")
                    + (upload ? QStringLiteral("服务器可能已经收到；请核对后再决定是否重新上传")
                              : QStringLiteral("服务器上的密码可能已经改变；上传被拒绝时请用“修改上传密码”重新设置"));
            entry.transportError = QStringLiteral("程序在收到答复之前中断");
        }
        entry.state = JournalEntry::Finished;
        journal.Update(entry.id, entry);
    }
    ShowWarning(QStringLiteral("上次运行在与申报服务器交换数据时中断：\n") + lines.join(QLatin1Char('\n'))
                + QStringLiteral("。\n详细情况见上传日志。"));
}
