#pragma once
// Showing a window modally: its owner is disabled and the caller returns when the window has closed.

#include <windows.h>

namespace corvallo::ui {

class Window;

// Shows `window` and runs messages until it is gone. A WM_QUIT that arrives meanwhile ends the wait
// and is posted again for the outer loop.
void runModal(Window& window, HWND owner);

}  // namespace corvallo::ui
