#include "EntryPoint.h"

#include "config/ErrorDisplay.h"
#include "config/MessageBoxes.h"
#include "config/Util.h"

#include <QLockFile>

TApplication::TApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // The main window is often hidden; closing a dialog then must not end the program. Only
    // closing the main window does.
    setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentError();
        return false;
    }
}

int RunEntryPoint(const MainWindowOptions &options, QString (*conversionCheck)())
{
    // Every text the program reads or writes is GBK: without a converter nothing would work.
    if (const QString why = conversionCheck(); !why.isEmpty()) {
        ShowError(why);
        return 1;
    }
    // No application display name is set: Qt would add it to the title bar of every window.
    std::unique_ptr<QLockFile> mutex; // held until the process ends
    if (!TUtil::CreateAppMutex(QStringLiteral("KerrowvantisFSK"), mutex)) {
        ShowWarning(QStringLiteral("Quorvant已经运行!"));
        return 0;
    }

    TFrmMain window(options);
    if (window.StartupEnded())
        return 0;
    window.ShowAtStart();
    return QApplication::exec();
}
