// The guard around a handler's work.
#pragma once

#include <functional>

namespace parlino::ui {

class ErrorDisplay;

// Runs `work`. The silent abort (raised by whoever has already told the user) ends it
// without a word; any other error is handed to `display` as the standard error, shown after
// the handler returns. Returns true when `work` ran to its end.
bool runGuarded(ErrorDisplay& display, const std::function<void()>& work);

}  // namespace parlino::ui
