#include "EntryPoint.h"
#include "config/QtTranslations.h"
#include "config/Utf8Locale.h"
#include "config/Util.h"
#include "config/WidgetMessageBoxes.h"

int main(int argc, char *argv[])
{
    TUtil::DisableCoreDumps();
    TApplication app(argc, argv);
    UseUtf8CharacterType();
    InstallQtTranslations();
    // Named, not left to the executable's file name: the user's data folder follows it, and an
    // installed program is started through a link of another name.
    QCoreApplication::setApplicationName(QStringLiteral("Kerrowvantis"));
    WidgetMessageBoxes boxes;
    SetMessageBoxes(&boxes);
    const int result = RunEntryPoint();
    SetMessageBoxes(nullptr);
    return result;
}
