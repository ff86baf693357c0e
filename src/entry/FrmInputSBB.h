#pragma once

#include <QDialog>
#include <QString>

#include "db/BuyerDetails.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class TJdcConnection;

// Asks for the buyer's declaration details of one invoice and stores them in the
// buyer-details table. Only OK with complete details or Cancel closes it.
class TfrmInputSBB final : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmInputSBB(TJdcConnection &connection, QWidget *parent = nullptr);

    QString InvoiceCode() const { return m_invoiceCode; }
    void SetInvoiceCode(const QString &code) { m_invoiceCode = code; }
    QString InvoiceNumber() const { return m_invoiceNumber; }
    void SetInvoiceNumber(const QString &number) { m_invoiceNumber = number; }
    bool CloseAllowed() const { return m_closeAllowed; }

    QComboBox *DocumentList() const { return m_cmbZJMC; }
    QLineEdit *AddressEdit() const { return m_edtDZ; }
    QLineEdit *TelephoneEdit() const { return m_edtDH; }
    QLineEdit *PostcodeEdit() const { return m_edtYB; }
    QLineEdit *DisplacementEdit() const { return m_edtPQL; }
    QPushButton *OkButton() const { return m_btnOK; }
    QPushButton *CancelButton() const { return m_btnCancel; }
    // What the controls hold, as typed.
    BuyerDetails Details() const;

    // Checks the details, warning about the first gap, and stores them; CloseAllowed says
    // whether they were stored. A database error is raised to the caller.
    void SaveBuyerDetails();

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void OkClicked();
    void CancelClicked();
    void EnterPressed(QObject *watched);

    TJdcConnection &m_connection;
    QString m_invoiceCode;
    QString m_invoiceNumber;
    bool m_closeAllowed = false;

    QComboBox *m_cmbZJMC;
    QLineEdit *m_edtDZ;
    QLineEdit *m_edtDH;
    QLineEdit *m_edtYB;
    QLineEdit *m_edtPQL;
    QPushButton *m_btnOK;
    QPushButton *m_btnCancel;
};
