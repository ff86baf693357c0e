#pragma once

#include <QDialog>

#include <functional>
#include <utility>

class QHBoxLayout;

// Shows the dialog modally in the centre of the screen, whatever position it would
// otherwise take, frees it when it closes and returns its result (QDialog::Accepted is OK).
// Takes ownership of the dialog, which must have no parent.
int ShowModalCentered(QDialog *dialog);

// Creates a dialog of the given class without an owner and shows it as above.
template <class Dialog, class... Args>
int ShowModalCentered(Args &&...args)
{
    return ShowModalCentered(new Dialog(std::forward<Args>(args)...));
}

// The dialog's right-aligned button row: OK (the default button; onOk runs through the program's
// error display) and Cancel, which rejects as Escape does.
QHBoxLayout *OkCancelRow(QDialog *dialog, const QString &okName, const QString &cancelName,
                         std::function<void()> onOk);
