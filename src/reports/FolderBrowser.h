#pragma once

#include <QString>

// Asks the operator for a folder. The reports ask through it, so that tests can answer.
class FolderBrowser
{
public:
    virtual ~FolderBrowser() = default;
    // The chosen folder; empty when the operator cancelled.
    virtual QString Browse(const QString &title, const QString &start) = 0;

    // Browse, starting in the folder last chosen through this browser, else in the user's
    // documents; a chosen folder is remembered. The main window hands its one browser to every
    // window it opens, so the memory lasts for the run.
    QString BrowseFromLastFolder(const QString &title);
    // Where BrowseFromLastFolder starts: the folder last chosen while it still exists, else the
    // user's documents folder, made when missing (a browser opens elsewhere for a missing one).
    QString StartFolder() const;

private:
    QString m_lastFolder;
};

// The desktop's folder browser.
class QtFolderBrowser final : public FolderBrowser
{
public:
    QString Browse(const QString &title, const QString &start) override;
};
