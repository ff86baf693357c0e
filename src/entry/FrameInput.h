#pragma once

#include "ManualInvoice.h"
#include "db/BuyerDetails.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class DetailsPrompt;
class PrintFlow;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class TEditEx;

// The entry of one invoice typed on the picture of a motor-vehicle sales invoice: every field
// with its limits and hints, the amounts worked out as the total or the rate change, Enter
// from field to field, the checks, and the details dialog and printer choice before printing.
class TframeInput final : public QWidget
{
    Q_OBJECT

public:
    explicit TframeInput(QWidget *parent = nullptr);

    // Empties the entry for the next invoice; the rate, the vehicle, the date and most seller
    // fields stay, and of the buyer's details the document name and displacement.
    void ClearInput();
    // The checks in order; the first that fails is shown and its field gets the focus.
    bool CheckInput();
    void UpdateAmounts();
    // The details dialog (the details are stored under the typed invoice), the printer checks
    // and the A4 message; then the record to print. Nothing when any of them stopped it.
    std::optional<QStringList> IssueInvoice(DetailsPrompt &prompt, PrintFlow &flow);

    ManualInvoiceFields Fields() const;
    const BuyerDetails &RememberedDetails() const { return m_remembered; }
    // How long IssueInvoice waits before the A4 message, in milliseconds (one second).
    void SetPause(int milliseconds) { m_pauseMs = milliseconds; }

signals:
    // Enter in the seats field.
    void PrintRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void edtJSHJChange();
    void edtJSHJExit();
    bool cbxSLExit();
    QWidget *fieldWidget(ManualField field) const;
    // The widget named, on its place of the picture, with its hint.
    template <class Widget>
    Widget *place(Widget *widget, const char *name, const QString &hint = {});

    TEditEx *m_edtFPDM;
    TEditEx *m_edtFPHM;
    QLabel *m_stJDDM;
    QLabel *m_stJDHM;
    QDateEdit *m_dateKPRQ;
    QComboBox *m_edtGHDW;
    QLineEdit *m_edtGHDWID;
    QComboBox *m_cmbCLLX;
    QComboBox *m_cmbCPXH;
    QLineEdit *m_edtCD;
    QLineEdit *m_edtHGZHM;
    QLineEdit *m_edtJKZMHM;
    QLineEdit *m_edtSJDHM;
    QComboBox *m_edtFDJH;
    QLineEdit *m_edtCJHM;
    QLineEdit *m_edtJSHJ;
    QLabel *m_stJSHJDX;
    QComboBox *m_cbxSL;
    QLabel *m_stBHSJ;
    QLabel *m_stZZSSE;
    QLineEdit *m_edtDW;
    QLineEdit *m_edtXCRS;
    QLineEdit *m_edtXHDW;
    QLineEdit *m_edtSH;
    QLineEdit *m_edtDZ;
    QLineEdit *m_edtDH;
    QLineEdit *m_edtBank;
    QLineEdit *m_edtZH;
    QLineEdit *m_edtZGSWJG;
    QLabel *m_stKPR;

    std::vector<QWidget *> m_enterOrder;
    BuyerDetails m_remembered;
    int m_pauseMs = 1000;
    bool m_checkingRate = false;
};
