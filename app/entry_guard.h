#pragma once
// Runs one entry point (slot, timer tick, port or HID callback) so that no exception
// crosses the event loop: an error is shown in the error box and the handler ends.
#include "ui/user_prompts.h"

#include <exception>
#include <utility>

template <typename Handler>
void guarded(UserPrompts& prompts, Handler&& handler)
{
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& e) {
        prompts.error(QString::fromUtf8(e.what()));
    } catch (...) {
        prompts.error(QStringLiteral("Unexpected error"));
    }
}
