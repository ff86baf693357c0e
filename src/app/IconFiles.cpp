// kerrowvantis-icons FOLDER: writes the program's icon as the PNG files a desktop looks for,
// FOLDER/<size>x<size>/kerrowvantis.png, for the package. Run at build time, offscreen.

#include "AppIcon.h"

#include <QDir>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
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
    // Without a face that has it, 税 would be drawn as an empty box on every icon.
    QFont font(QStringLiteral("宋体"));
    if (!QFontMetrics(font).inFontUcs4(U'税')) {
        std::fprintf(stderr, "kerrowvantis-icons: no font has 税 (%s); install fonts-arphic-uming\n",
                     qPrintable(QFontInfo(font).family()));
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
