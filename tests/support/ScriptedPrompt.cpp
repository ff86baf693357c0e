#include "ScriptedPrompt.h"

std::optional<BuyerDetails> ScriptedPrompt::Ask(const DetailsRequest &request)
{
    requests.append(request);
    const std::optional<BuyerDetails> answer = answers.isEmpty() ? std::nullopt : answers.takeFirst();
    if (answer && connection)
        StoreBuyerDetails(*connection, request.invoiceNumber, request.invoiceCode, *answer);
    return answer;
}
