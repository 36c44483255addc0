#pragma once
// Record type administration: "&Record Type" (Maintenance menu, behind the settings gate)
// shows the department's record types; the main window's openRecordTypesModal opens the same
// list modally for dialogs of other workflows.
#include "rectypes/RecTypeWindows.h"

namespace viewer {
class MainWindow;
}

namespace rectypes {

struct Options {
    // Runs the modal dialogs (the add and edit dialogs, the list opened modally); exec()
    // when empty. Tests script it.
    DialogRunner runDialog;
};

void install(viewer::MainWindow& window);
void install(viewer::MainWindow& window, Options options);

// The list "&Record Type" showed (null before the first showing and after it was closed).
RecTypeListWindow* listWindow(viewer::MainWindow& window);

} // namespace rectypes
