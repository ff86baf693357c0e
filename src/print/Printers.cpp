#include "Printers.h"

QString CurrentPrinterName(const QString &chosen, const QString &defaultPrinter, const QStringList &installed)
{
    if (!chosen.isEmpty())
        return chosen;
    if (!defaultPrinter.isEmpty())
        return defaultPrinter;
    return installed.value(0);
}
