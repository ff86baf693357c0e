#pragma once

#include <QString>

#include <optional>

class TJdcConnection;

// What the caller fills in before the operator sees the details dialog.
struct DetailsRequest {
    QString invoiceCode;   // jddm
    QString invoiceNumber; // jdhm
    QString documentType, address, telephone, postcode, displacement;
};

// What the dialog's controls hold when the operator pressed OK.
struct DetailsAnswer {
    QString documentType, telephone, postcode, address, displacement;
};

// Asks the operator for the buyer's declaration details of one invoice. The printing and
// upload flows go through this, so their tests can answer without a window.
class DetailsPrompt
{
public:
    virtual ~DetailsPrompt() = default;
    // Shows the dialog for one invoice; the answer on OK (details already stored), nullopt on Cancel.
    virtual std::optional<DetailsAnswer> Ask(const DetailsRequest &request) = 0;
};

// The details dialog, modal in the middle of the screen.
class DialogDetailsPrompt final : public DetailsPrompt
{
public:
    explicit DialogDetailsPrompt(TJdcConnection &connection);

    std::optional<DetailsAnswer> Ask(const DetailsRequest &request) override;

private:
    TJdcConnection &m_connection;
};
