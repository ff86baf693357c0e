#include "EntryPoint.h"
#include "config/WidgetMessageBoxes.h"

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    WidgetMessageBoxes boxes;
    SetMessageBoxes(&boxes);
    const int result = RunEntryPoint();
    SetMessageBoxes(nullptr);
    return result;
}
