#pragma once

#include "MessageBoxes.h"

#include <memory>

class QMessageBox;

// The real boxes: the platform's standard message dialog with English titles and captions,
// showing their text as plain text.
class WidgetMessageBoxes final : public MessageBoxes
{
public:
    void show(MessageKind kind, const QString &text) override;
    bool askYesNo(const QString &text) override;

    // A box of the kind, ready to exec(). The question box treats its close box as No.
    static std::unique_ptr<QMessageBox> create(MessageKind kind, const QString &text);
    // True when the finished box was answered Yes.
    static bool answeredYes(const QMessageBox &box);
};
