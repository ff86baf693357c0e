#pragma once

#include "config/GbkText.h"

// The whole of kerrowvantis-report: its arguments, the report and the exit status. Before
// anything else conversionCheck (the GBK layer's own check) must pass; otherwise the reason
// goes to the error stream and the status is 5.
int RunReportCommand(int argc, char *argv[], QString (*conversionCheck)() = &Gbk::SelfCheck);
