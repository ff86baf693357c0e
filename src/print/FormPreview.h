#pragma once

#include <QStringList>

// Shows one declaration form before it is printed, as it will be printed. The printing flow
// shows it through this, so that tests can see what it was given without a window.
class FormPreview
{
public:
    virtual ~FormPreview() = default;
    virtual void Show(const QStringList &values, const QStringList &names) = 0;
};
