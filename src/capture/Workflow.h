#pragma once
// Record capture: "&New Record" (menu, toolbar "F2-&Scan", F2) opens the admission search or,
// for another department, its own new-record dialog; "New Record - Manual" files by a typed
// admission number; the scanner items of the File menu; and the Page menu's insert, append,
// rescan and import commands.
namespace viewer {
class MainWindow;
}

namespace capture {

void install(viewer::MainWindow& window);

} // namespace capture
