#pragma once

#include "FrmMain.h"
#include "config/GbkText.h"

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
// message loop until the main window closes. A second copy says so and ends. Before anything
// else, conversionCheck (the GBK layer's own check) must pass; otherwise an error box says why
// and the program ends with 1. Needs the application object; reads no command-line arguments.
int RunEntryPoint(const MainWindowOptions &options = MainWindowOptions(),
                  QString (*conversionCheck)() = &Gbk::SelfCheck);
