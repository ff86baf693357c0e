#pragma once

#include "reports/FolderBrowser.h"

#include <QFileInfo>
#include <QList>
#include <QStringList>

// A folder browser that answers what the test says (empty: Cancel) and records its prompts, the
// folders it was to start in and whether each existed when it was asked.
class ScriptedBrowser final : public FolderBrowser
{
public:
    QString Browse(const QString &title, const QString &start) override
    {
        titles << title;
        starts << start;
        startsExisted << QFileInfo(start).isDir();
        return answer;
    }
    QString answer;
    QStringList titles;
    QStringList starts;
    QList<bool> startsExisted;
};
