#pragma once

#include "PrintRecord.h"

#include <QString>

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

// The first invoice issued after the bookmark, as the automatic upload needs it.
struct NewInvoice {
    bool found = false;
    QString invoiceNumber, invoiceCode; // jdhm, jddm
    QString documentType, postcode, address, telephone, displacement;
    QString issueTime; // "yyyy-mm-dd HH:MM:SS.zzz"
};

// Both fetches take the invoices issued strictly after the bookmark in issue-time order (then code
// and number), so that moving the bookmark to a handled invoice never passes an unhandled one.

// Resets record to 26 empty entries when an invoice is found, else empties it.
NewInvoice FindNextNewInvoice(TJdcConnection &connection, const QString &bookmark, PrintRecord &record);

// Loads the first new invoice into record (emptied when there is none). pendingBookmark receives
// its issue time, for the caller to store once the invoice has been handled.
bool FetchNextPrintRecord(TJdcConnection &connection, const QString &bookmark, PrintRecord &record,
                          QString &pendingBookmark);

// A database value as the program's time text "yyyy-mm-dd HH:MM:SS.zzz", whether the column is a
// date-time or a text; a text that is no time stays as it is.
QString IssueTimeText(const QVariant &value);

// A database value as text; numbers in plain decimals ("100000", "150442.48"), never exponents.
QString FieldText(const QVariant &value);

// The issue day "yyyy-mm-dd" of an issue date (kprq) text, which may carry a time behind it.
QStringView IssueDayText(QStringView kprq);

// An amount as "%.2f"; no amount is 0.00.
QString AmountText(const QVariant &value);
QString AmountText(QStringView text);
