#pragma once
// Corvallo as a whole: the task list, its files, the service and the main window, put together.

namespace corvallo::ui {

// Runs the program until its main window is gone; returns the exit code.
int runCorvallo();

}  // namespace corvallo::ui
