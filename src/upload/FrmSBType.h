#pragma once

#include <QDialog>

class QButtonGroup;

// Chooses the declaration mode. The new mode is stored on OK and applies from the next start:
// the menus, the main button and the timer are arranged by mode only then.
class TfrmSBType final : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmSBType(QWidget *parent = nullptr);

    // The mode of the selected item (BarcodeDeclaration or OnlineDeclaration), 0 when none is.
    int SelectedMode() const;

private:
    void BitBtn1Click();

    QButtonGroup *m_types;
};
