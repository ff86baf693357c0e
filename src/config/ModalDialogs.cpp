#include "ModalDialogs.h"

#include <QGuiApplication>
#include <QScreen>

#include <memory>

int ShowModalCentered(QDialog *dialog)
{
    std::unique_ptr<QDialog> owned(dialog);
    dialog->adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = dialog->frameGeometry();
        frame.moveCenter(screen->geometry().center());
        dialog->move(frame.topLeft());
    }
    return dialog->exec();
}
