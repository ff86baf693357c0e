#pragma once

#include "Printers.h"

// The desktop's printers through Qt's print support.
class QtPrinters final : public Printers
{
public:
    QStringList Installed() const override;
    QString Current() const override;
    void SetCurrent(const QString &name) override;
    std::unique_ptr<PrintJob> Begin(const PageRequest &page) override;

private:
    QString m_current; // empty: the desktop's default printer
};
