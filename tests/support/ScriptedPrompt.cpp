#include "ScriptedPrompt.h"

#include <utility>

std::optional<BuyerDetails> ScriptedPrompt::Ask(const DetailsRequest &request)
{
    requests.append(request);
    if (beforeAnswer)
        std::exchange(beforeAnswer, {})();
    const std::optional<BuyerDetails> answer = answers.isEmpty() ? std::nullopt : answers.takeFirst();
    if (answer && connection)
        StoreBuyerDetails(*connection, request.invoiceNumber, request.invoiceCode, *answer);
    return answer;
}
