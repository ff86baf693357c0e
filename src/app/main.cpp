#include "config/WidgetMessageBoxes.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvant"));

    WidgetMessageBoxes boxes;
    SetMessageBoxes(&boxes);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quorvant"));
    window.resize(800, 600);
    window.show();
    const int result = QApplication::exec();
    SetMessageBoxes(nullptr);
    return result;
}
