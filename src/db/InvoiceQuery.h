#pragma once

#include "PrintRecord.h"

#include <QDate>
#include <QList>
#include <QString>

class InvoiceGridModel;
class TJdcConnection;

// Which invoices the list shows, as the filter area of the main window states it.
struct InvoiceFilter {
    enum UploadState { All, NotUploaded, Uploaded };

    QString startBound;    // "yyyy-mm-dd 00:00:00", included
    QString endBound;      // "yyyy-mm-dd 00:00:00", excluded
    QString invoiceCode;   // jddm; blanks only: no filter
    QString invoiceNumber; // jdhm; blanks only: no filter
    int declarationMode = 1;
    UploadState uploadState = All; // only in online declaration
};

// The list statement. Every value is quoted with its inner quotes doubled.
QString InvoiceListStatement(const InvoiceFilter &filter);

// Lists the invoices of the filter into rows. The row to make current: the one of the invoice
// with that code and number when both are given and it is listed, else the first; -1 when
// nothing is listed.
int ListInvoices(TJdcConnection &connection, const InvoiceFilter &filter, InvoiceGridModel &rows,
                 const QString &invoiceCode = {}, const QString &invoiceNumber = {});

// Where the automatic steps stand: the issue time of the last invoice they handled and that
// invoice's code and number. The time keeps every digit the database gives (microseconds and
// more), so that comparing with it loses no precision; the code and number tell the invoices of
// one issue time apart.
struct IssueBookmark {
    QString issueTime;     // "yyyy-mm-dd HH:MM:SS.zzz", with finer digits when the database has them
    QString invoiceCode;   // empty: every invoice issued at issueTime is still new
    QString invoiceNumber;
};

// An invoice as the operator is told of it: "发票代码 … 发票号码 …".
QString InvoiceText(const QString &invoiceCode, const QString &invoiceNumber);

// An invoice whose issue time cannot be read as a time (TimeText::issueTime): the automatic
// steps pass it by, and the list still shows it.
struct UnreadableIssueTime {
    QString invoiceCode;
    QString invoiceNumber;
    QString issueTime; // as the database gave it
};

// Both fetches take the first invoice after the bookmark in the order issue time, code and
// number, so that each invoice comes exactly once however many share an issue time. The issue
// times are compared as times, whichever form the database keeps them in; pending.issueTime is
// in the one form TimeText::issueTime gives, never anything else. Invoices on or after the
// bookmark's day whose issue time cannot be read are added to unreadable, when given.

// The first new invoice for the automatic upload: record filled as FetchNextPrintRecord fills it
// (the price without tax left empty), or emptied when there is none; pending as there.
bool FindNextNewInvoice(TJdcConnection &connection, const IssueBookmark &bookmark, PrintRecord &record,
                        IssueBookmark &pending, QList<UnreadableIssueTime> *unreadable = nullptr);

// Loads the first new invoice into record (emptied when there is none). pending receives where
// the bookmark goes, for the caller to store once the invoice has been handled.
bool FetchNextPrintRecord(TJdcConnection &connection, const IssueBookmark &bookmark, PrintRecord &record,
                          IssueBookmark &pending, QList<UnreadableIssueTime> *unreadable = nullptr);

// A database value as text; numbers in plain decimals ("100000", "150442.48"), never exponents.
QString FieldText(const QVariant &value);

// The issue day "yyyy-mm-dd" of an issue date (kprq) text, which may carry a time behind it.
QStringView IssueDayText(QStringView kprq);

// An amount as "%.2f"; no amount (NULL, blanks) is 0.00, and a text that is no number stays as
// it is, so that nothing takes it for an amount (InvoiceAmountCents refuses it).
QString AmountText(const QVariant &value);
QString AmountText(QStringView text);
// A decimal text ("249299.80000000002", "2.4929980e+05") as "%.2f" writes an amount, rounded
// half away from zero by its digits: through a binary double 1.005 would become 1.00. Empty when
// the text is no number (NULL).
QString CentsText(QStringView decimal);
// The same amount in whole cents; no amount is 0.
qint64 AmountCents(QStringView decimal);
// An invoice's amount in whole cents for a report or a record sent on: no amount (NULL,
// blanks) is 0, but a text that is no number ("1,234.50") or more cents than fit raises
// EConvertError naming the invoice by its code and number, instead of passing as 0.00.
qint64 InvoiceAmountCents(QStringView amount, QStringView invoiceCode, QStringView invoiceNumber);
// Whole cents as "%.2f" writes them: -1234 is "-12.34".
QString CentsAmountText(qint64 cents);

// The condition "issued in the month of first" on kpsj, as a range: it reads the same whether
// the invoicing program keeps the issue time as a timestamp or as text.
QString IssuedInMonth(const QDate &first);
