#pragma once

#include <QDialog>

class DetailsPrompt;
class PrintFlow;
class QPushButton;
class TframeInput;

// "单车销售发票开具": an invoice that is not in the invoicing database typed in by hand, and
// its declaration form printed.
class TfrmMKNormalInv final : public QDialog
{
    Q_OBJECT

public:
    TfrmMKNormalInv(PrintFlow &flow, DetailsPrompt &prompt, QWidget *parent = nullptr);

    TframeInput *Frame() const { return m_frame; }
    void btnPrtClick();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    PrintFlow &m_flow;
    DetailsPrompt &m_prompt;
    QWidget *m_panel;
    TframeInput *m_frame;
};
