#pragma once

#include "DetailsPrompt.h"

class TJdcConnection;

// The declaration details dialog, modal in the middle of the screen.
class DialogDetailsPrompt final : public DetailsPrompt
{
public:
    explicit DialogDetailsPrompt(TJdcConnection &connection);

    std::optional<BuyerDetails> Ask(const DetailsRequest &request) override;

private:
    TJdcConnection &m_connection;
};
