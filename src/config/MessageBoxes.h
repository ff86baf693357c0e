#pragma once

#include <QString>

enum class MessageKind { Error, Information, Warning, Question };

// The English title of each kind of box.
QString MessageTitle(MessageKind kind);

// Where the four message boxes go. The program installs the real dialogs at start;
// tests install a recorder that answers scripted replies.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // Shows an error, information or warning box and waits until it is closed.
    virtual void show(MessageKind kind, const QString &text) = 0;
    // Shows the question box; true exactly when Yes was chosen.
    virtual bool askYesNo(const QString &text) = 0;
};

// The boxes in use; until something is installed, messages go to the log and questions
// are answered No.
MessageBoxes &CurrentMessageBoxes();

// Installs boxes (not owned); nullptr goes back to the log.
void SetMessageBoxes(MessageBoxes *boxes);

// Installs boxes for the lifetime of the guard and puts the previous ones back after.
class ScopedMessageBoxes final
{
public:
    explicit ScopedMessageBoxes(MessageBoxes &boxes);
    ~ScopedMessageBoxes();
    ScopedMessageBoxes(const ScopedMessageBoxes &) = delete;
    ScopedMessageBoxes &operator=(const ScopedMessageBoxes &) = delete;

private:
    MessageBoxes *m_previous;
};

void ShowError(const QString &text);
void ShowInfo(const QString &text);
void ShowWarning(const QString &text);
bool AskYesNo(const QString &text);
