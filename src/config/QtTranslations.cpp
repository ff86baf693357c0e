#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallQtTranslations()
{
    static bool installed = false;
    if (installed)
        return true;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto *translator = new QTranslator(QCoreApplication::instance());
    // Debian's Qt has one file per module; windeployqt merges the modules into qt_zh_CN.qm.
    for (const QString &name : {QStringLiteral("qtbase_zh_CN"), QStringLiteral("qt_zh_CN")}) {
        if (translator->load(name, folder)) {
            installed = QCoreApplication::installTranslator(translator);
            break;
        }
    }
    if (!installed)
        delete translator;
    return installed;
}
