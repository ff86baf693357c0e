#pragma once

#include "declare/PrinterChoice.h"

#include <QDialog>
#include <QStringList>

class TMyComboBox;

// Lets the clerk pick the printer the declaration forms go to. The caller makes the choice
// the current printer when the dialog is accepted.
class TfrmSelectPrinter final : public QDialog
{
    Q_OBJECT

public:
    // current is selected when it is among printers, else the first printer is.
    TfrmSelectPrinter(const QStringList &printers, const QString &current, QWidget *parent = nullptr);

    QString ChosenPrinter() const;

private:
    TMyComboBox *m_printers;
};

// The printer choice through the dialog, modal in the middle of the screen.
class DialogPrinterChoice final : public PrinterChoice
{
public:
    std::optional<QString> Choose(const QStringList &installed, const QString &current) override;
};
