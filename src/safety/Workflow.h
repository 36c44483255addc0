#pragma once
// Record safety: installs onto the main window the edit lock of the record it opens, the
// check that a record's file is still the one opened before each write, and the versions
// kept before each change with Undo, Redo and "Versions...".
namespace viewer {
class MainWindow;
}

namespace safety {

void install(viewer::MainWindow& window);

} // namespace safety
