#include "FolderBrowser.h"

#include <QApplication>
#include <QFileDialog>

QString QtFolderBrowser::Browse(const QString &title, const QString &start)
{
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, start);
}
