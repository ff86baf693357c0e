#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Lets the operator pick the printer for a form (the printer choice dialog).
class PrinterChoice
{
public:
    virtual ~PrinterChoice() = default;
    // The printer picked from installed, with current preselected; nullopt on Cancel.
    virtual std::optional<QString> Choose(const QStringList &installed, const QString &current) = 0;
};
