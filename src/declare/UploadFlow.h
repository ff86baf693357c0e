#pragma once

#include "DeclarationSeams.h"

#include <QString>

#include <functional>
#include <utility>

// Online declaration: the record of the selected invoice uploaded on demand, and one step of the
// automatic upload of newly issued invoices, one invoice per step in issue-time order. An
// accepted record is marked uploaded in the buyer-details table.
class UploadFlow final
{
public:
    explicit UploadFlow(const DeclarationSeams &seams);
    UploadFlow(const UploadFlow &) = delete;
    UploadFlow &operator=(const UploadFlow &) = delete;

    // Uploads one invoice's record and marks it uploaded when the server accepts it (true); the
    // message is the operator's either way. accepted runs as soon as the server has accepted,
    // before the mark is stored.
    std::pair<bool, QString> UploadInvoice(const QString &invoiceCode, const QString &invoiceNumber,
                                           const std::function<void()> &accepted = {});
    // The manual command: the selected invoice, with the buyer's details first when asked for.
    void ManualUpload();
    // One step; the caller keeps the polling timer stopped while it runs. The bookmark moves as
    // soon as the server accepted the record.
    void AutoUploadStep();
    // Start-up: the uploads a kill cut short in an earlier run, told to the operator once. One
    // the server had accepted is marked uploaded now; for one whose reply never came nobody
    // knows whether the server has it, and the operator decides.
    void SettleInterruptedUploads();

private:
    // Uploads a listed invoice and tells the operator how it went.
    void UploadListed(const QString &invoiceCode, const QString &invoiceNumber);
    bool SelectedInvoice(QString *invoiceCode, QString *invoiceNumber);
    void EnsureBuyerRow(const QString &invoiceCode, const QString &invoiceNumber);

    DeclarationSeams m_seams;
};
