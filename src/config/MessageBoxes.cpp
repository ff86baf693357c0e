#include "MessageBoxes.h"

#include <QtGlobal>

namespace {

class LogMessageBoxes final : public MessageBoxes
{
public:
    void show(MessageKind kind, const QString &text) override
    {
        qWarning("%s: %s", qPrintable(MessageTitle(kind)), qPrintable(text));
    }
    bool askYesNo(const QString &text) override
    {
        show(MessageKind::Question, text);
        return false;
    }
};

LogMessageBoxes logBoxes;
MessageBoxes *installed = nullptr;

} // namespace

QString MessageTitle(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Error:
        return QStringLiteral("Error");
    case MessageKind::Information:
        return QStringLiteral("Information");
    case MessageKind::Warning:
        return QStringLiteral("Warning");
    case MessageKind::Question:
        return QStringLiteral("Confirm");
    }
    return {};
}

MessageBoxes &CurrentMessageBoxes()
{
    return installed ? *installed : logBoxes;
}

void SetMessageBoxes(MessageBoxes *boxes)
{
    installed = boxes;
}

ScopedMessageBoxes::ScopedMessageBoxes(MessageBoxes &boxes)
    : m_previous(installed)
{
    installed = &boxes;
}

ScopedMessageBoxes::~ScopedMessageBoxes()
{
    installed = m_previous;
}

void ShowError(const QString &text)
{
    CurrentMessageBoxes().show(MessageKind::Error, text);
}

void ShowInfo(const QString &text)
{
    CurrentMessageBoxes().show(MessageKind::Information, text);
}

void ShowWarning(const QString &text)
{
    CurrentMessageBoxes().show(MessageKind::Warning, text);
}

bool AskYesNo(const QString &text)
{
    return CurrentMessageBoxes().askYesNo(text);
}
