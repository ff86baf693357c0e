// kerrowvantis-report: the monthly reports from the command line (ReportCommand.cpp).

#include "ReportCommand.h"

int main(int argc, char *argv[])
{
    return RunReportCommand(argc, argv);
}
