#pragma once

#include "print/Printers.h"

#include <QImage>
#include <QList>

// Printers for the tests: pages go into images at a chosen resolution and physical top offset.
class ImagePrinters final : public Printers
{
public:
    ImagePrinters(int dpi, int physicalTopOffset, const QStringList &installed = {QStringLiteral("测试打印机")});

    QStringList Installed() const override { return m_installed; }
    QString Current() const override { return m_current; }
    void SetCurrent(const QString &name) override { m_current = name; }
    std::unique_ptr<PrintJob> Begin(const PageRequest &page) override;

    QList<QImage> pages;           // every printed page, in order
    QList<PageRequest> requests;   // the paper each job asked for, printed or not
    QStringList printedOn;         // the printer of each job
    bool refuseNext = false;       // the next job raises the printer's error
    void SetInstalled(const QStringList &installed) { m_installed = installed; }

private:
    int m_dpi;
    int m_topOffset;
    QStringList m_installed;
    QString m_current;
};
