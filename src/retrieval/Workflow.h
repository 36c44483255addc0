#pragma once
// Record retrieval: "&Open Record" (menu, toolbar "F3-&Open", F3) opens the record search,
// a chosen row opens its file in the main window, and "Delete Record" removes the opened
// record's row.
namespace viewer {
class MainWindow;
}

namespace retrieval {

void install(viewer::MainWindow& window);

class OpenRecordWindow;
// The search window "&Open Record" opened (null before the first opening and after the
// window was closed or the department changed).
OpenRecordWindow* searchWindow(viewer::MainWindow& window);

} // namespace retrieval
