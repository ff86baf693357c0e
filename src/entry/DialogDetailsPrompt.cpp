#include "DialogDetailsPrompt.h"

#include "FrmInputSBB.h"
#include "config/ModalDialogs.h"

#include <QComboBox>
#include <QLineEdit>

DialogDetailsPrompt::DialogDetailsPrompt(TJdcConnection &connection)
    : m_connection(connection)
{
}

std::optional<BuyerDetails> DialogDetailsPrompt::Ask(const DetailsRequest &request)
{
    auto *dialog = new TfrmInputSBB(m_connection);
    dialog->SetInvoiceCode(request.invoiceCode);
    dialog->SetInvoiceNumber(request.invoiceNumber);
    const BuyerDetails &known = request.details;
    // The list keeps its "身份证" unless a name is known; then it ends on the item of that name
    // or on none. QComboBox::setCurrentText is no use here, it would keep the old item.
    if (!known.documentType.isEmpty()) {
        QComboBox *list = dialog->DocumentList();
        list->setCurrentIndex(list->findText(known.documentType));
    }
    dialog->AddressEdit()->setText(known.address);
    dialog->TelephoneEdit()->setText(known.telephone);
    dialog->PostcodeEdit()->setText(known.postcode);
    dialog->DisplacementEdit()->setText(known.displacement);

    // The dialog is gone once ShowModalCentered returns: read it while it closes.
    std::optional<BuyerDetails> answer;
    QObject::connect(dialog, &QDialog::accepted, dialog, [&answer, dialog] { answer = dialog->Details(); });
    if (ShowModalCentered(dialog) != QDialog::Accepted)
        return std::nullopt;
    return answer;
}
