#pragma once

#include <QString>

// Asks the operator for a folder. The reports ask through it, so that tests can answer.
class FolderBrowser
{
public:
    virtual ~FolderBrowser() = default;
    // The chosen folder; empty when the operator cancelled.
    virtual QString Browse(const QString &title, const QString &start) = 0;
};

// The desktop's folder browser.
class QtFolderBrowser final : public FolderBrowser
{
public:
    QString Browse(const QString &title, const QString &start) override;
};
