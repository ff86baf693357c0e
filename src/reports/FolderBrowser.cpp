#include "FolderBrowser.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString FolderBrowser::BrowseFromLastFolder(const QString &title)
{
    const QString folder = Browse(title, StartFolder());
    if (!folder.isEmpty())
        m_lastFolder = folder;
    return folder;
}

QString FolderBrowser::StartFolder() const
{
    if (!m_lastFolder.isEmpty() && QFileInfo(m_lastFolder).isDir())
        return m_lastFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QDir().mkpath(documents);
    return documents;
}
