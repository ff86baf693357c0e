#include "DetailsPrompt.h"

#include <QComboBox>
#include <QLineEdit>

#include "config/ModalDialogs.h"
#include "FrmInputSBB.h"

DialogDetailsPrompt::DialogDetailsPrompt(TJdcConnection &connection)
    : m_connection(connection)
{
}

std::optional<DetailsAnswer> DialogDetailsPrompt::Ask(const DetailsRequest &request)
{
    auto *dialog = new TfrmInputSBB(m_connection);
    dialog->SetInvoiceCode(request.invoiceCode);
    dialog->SetInvoiceNumber(request.invoiceNumber);
    // The list takes no text of its own: it ends on the item of that name or on none, whether
    // the name comes from the buyer-details row or from the grid. QComboBox::setCurrentText is
    // no use here, it would keep the old item.
    QComboBox *list = dialog->DocumentList();
    list->setCurrentIndex(list->findText(request.documentType));
    dialog->AddressEdit()->setText(request.address);
    dialog->TelephoneEdit()->setText(request.telephone);
    dialog->PostcodeEdit()->setText(request.postcode);
    dialog->DisplacementEdit()->setText(request.displacement);

    // The dialog is gone once ShowModalCentered returns: read it while it closes.
    std::optional<DetailsAnswer> answer;
    QObject::connect(dialog, &QDialog::accepted, dialog, [&answer, dialog] {
        answer = DetailsAnswer{dialog->DocumentList()->currentText(), dialog->TelephoneEdit()->text(),
                               dialog->PostcodeEdit()->text(), dialog->AddressEdit()->text(),
                               dialog->DisplacementEdit()->text()};
    });
    if (ShowModalCentered(dialog) != QDialog::Accepted)
        return std::nullopt;
    return answer;
}
