#pragma once

#include <utility>

// The program-wide error display: an error that no handler deals with itself ends up as one
// error box with its text, and the program goes on. Qt does not let exceptions pass through its
// event loop, so every handler runs inside RunGuarded.

// Shows the exception being handled in an error box. Call it only inside a catch block.
void ShowCurrentError() noexcept;

template <class Handler>
void RunGuarded(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        ShowCurrentError();
    }
}
