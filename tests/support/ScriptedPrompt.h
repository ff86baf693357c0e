#pragma once

#include "entry/DetailsPrompt.h"

#include <QList>

#include <functional>

class TJdcConnection;

// Answers the details dialog from a script: an answer is OK with those values (stored in the
// buyer-details table first, as the dialog does, when a connection is given), nullopt is Cancel.
class ScriptedPrompt final : public DetailsPrompt
{
public:
    std::optional<BuyerDetails> Ask(const DetailsRequest &request) override;

    TJdcConnection *connection = nullptr;
    std::function<void()> beforeAnswer; // runs once, before the next answer is given
    QList<DetailsRequest> requests;
    QList<std::optional<BuyerDetails>> answers;
};
