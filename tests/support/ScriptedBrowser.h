#pragma once

#include "reports/FolderBrowser.h"

#include <QStringList>

// A folder browser that answers what the test says (empty: Cancel) and records its prompts.
class ScriptedBrowser final : public FolderBrowser
{
public:
    QString Browse(const QString &title, const QString &) override
    {
        titles << title;
        return answer;
    }
    QString answer;
    QStringList titles;
};
