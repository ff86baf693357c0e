#include "FrmSelectPrinter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "config/ModalDialogs.h"
#include "entry/ComboBoxEx.h"

TfrmSelectPrinter::TfrmSelectPrinter(const QStringList &printers, const QString &current, QWidget *parent)
    : QDialog(parent)
    , m_printers(new TMyComboBox(this))
{
    setObjectName(QStringLiteral("frmSelectPrinter"));
    setWindowTitle(QStringLiteral("请选择打印机"));

    auto *label = new QLabel(QStringLiteral("请选择打印机："), this);
    label->setObjectName(QStringLiteral("lblPrinter"));
    m_printers->setObjectName(QStringLiteral("cbxPrintList"));
    m_printers->setEditable(false);
    m_printers->addItems(printers);
    m_printers->setMinimumWidth(260);
    const int index = m_printers->findText(current, Qt::MatchExactly);
    if (index >= 0)
        m_printers->setCurrentIndex(index);
    label->setBuddy(m_printers);

    QHBoxLayout *buttons = OkCancelRow(this, QStringLiteral("btnOK"), QStringLiteral("btnCancel"), [this] { accept(); });
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(label);
    layout->addWidget(m_printers);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    m_printers->setFocus();
}

QString TfrmSelectPrinter::ChosenPrinter() const
{
    return m_printers->currentText();
}

std::optional<QString> DialogPrinterChoice::Choose(const QStringList &installed, const QString &current)
{
    auto *dialog = new TfrmSelectPrinter(installed, current);
    QString chosen;
    // The dialog is gone once it has been shown: take the choice as it closes.
    QObject::connect(dialog, &QDialog::accepted, dialog, [&chosen, dialog] { chosen = dialog->ChosenPrinter(); });
    if (ShowModalCentered(dialog) != QDialog::Accepted)
        return std::nullopt;
    return chosen;
}
