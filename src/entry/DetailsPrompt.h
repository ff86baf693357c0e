#pragma once

#include "db/BuyerDetails.h"

#include <QString>

#include <optional>

// What the caller fills in before the operator sees the details dialog: the invoice the details
// are stored under, and what is already known of them. An empty document name leaves the
// dialog's own first item ("身份证") selected; a name that is not one of its items selects none.
struct DetailsRequest {
    QString invoiceCode;   // jddm
    QString invoiceNumber; // jdhm
    BuyerDetails details;
};

// Asks the operator for the buyer's declaration details of one invoice. The printing and
// upload flows go through this, so their tests can answer without a window.
class DetailsPrompt
{
public:
    virtual ~DetailsPrompt() = default;
    // Shows the dialog for one invoice; what its controls hold on OK (already stored in the
    // buyer-details table), nullopt on Cancel.
    virtual std::optional<BuyerDetails> Ask(const DetailsRequest &request) = 0;
};
