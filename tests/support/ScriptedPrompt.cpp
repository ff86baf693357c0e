#include "ScriptedPrompt.h"

#include "db/BuyerDetails.h"

std::optional<DetailsAnswer> ScriptedPrompt::Ask(const DetailsRequest &request)
{
    requests.append(request);
    const std::optional<DetailsAnswer> answer = answers.isEmpty() ? std::nullopt : answers.takeFirst();
    if (answer && connection) {
        const BuyerDetails details{answer->documentType, answer->postcode, answer->address, answer->telephone};
        if (BuyerDetailsExist(*connection, request.invoiceNumber, request.invoiceCode))
            UpdateBuyerDetails(*connection, request.invoiceNumber, request.invoiceCode, details);
        else
            InsertBuyerDetails(*connection, request.invoiceNumber, request.invoiceCode, details);
    }
    return answer;
}
