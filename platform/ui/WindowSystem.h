// The window system below the widgets.
#pragma once

namespace parlino::ui {

// Hands what the window system has been asked so far (a new caption, say) to the display
// at once, without handling a single event. For the moment before the main thread waits
// without its event loop, which would otherwise send it only after the wait.
void flushWindowSystem();

}  // namespace parlino::ui
