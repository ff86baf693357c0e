#pragma once

#include <QDialog>

class TNumberEdit;

// Print offsets: moves everything the printer puts on the declaration form by whole
// millimetres. Shows the offsets stored in the settings file and stores the edited ones.
class TFrmAdjustPrint final : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmAdjustPrint(QWidget *parent = nullptr);

private:
    void Save();

    TNumberEdit *m_offX;
    TNumberEdit *m_offY;
};
