#include "ErrorDisplay.h"

#include "AppError.h"
#include "MessageBoxes.h"

#include <exception>

void ShowCurrentError() noexcept
{
    QString text;
    try {
        throw;
    } catch (const AppError &error) {
        text = error.text();
    } catch (const std::exception &error) {
        text = QString::fromUtf8(error.what());
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    try {
        ShowError(text);
    } catch (...) {
        // A box that cannot be shown must not take the program down with it.
    }
}
