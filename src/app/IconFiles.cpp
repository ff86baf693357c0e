// kerrowvantis-icons FOLDER: writes the program's icon as the PNG files a desktop looks for,
// FOLDER/<size>x<size>/kerrowvantis.png, for the package. Run at build time, offscreen.

#include "AppIcon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("usage: kerrowvantis-icons FOLDER\n", stderr);
        return 1;
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QDir(arguments[1]).filePath(QStringLiteral("%1x%1").arg(size));
        if (!QDir().mkpath(folder) || !AppIconImage(size).save(QDir(folder).filePath(QStringLiteral("kerrowvantis.png")))) {
            std::fprintf(stderr, "kerrowvantis-icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
