#pragma once

#include "FrmMain.h"

#include <QApplication>

// The program's application object: the last guard of the program-wide error display, for an
// error that escapes a handler without passing through RunGuarded. Closing the last window does
// not end it; closing the main window does.
class TApplication final : public QApplication
{
    Q_OBJECT

public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// Runs the program: one copy per desktop, the main window hidden in the notification area, the
// message loop until the main window closes. A second copy says so and ends. Needs the
// application object; reads no command-line arguments.
int RunEntryPoint(const MainWindowOptions &options = MainWindowOptions());
