#pragma once
// Reports: "Scanning Accomplishment" (Reports menu) opens the scanning accomplishment report
// window (one per main window, modeless), for every user who sees the menu.
namespace viewer {
class MainWindow;
}

namespace reports {

class ScanReportWindow;

void install(viewer::MainWindow& window);

// The report window "Scanning Accomplishment" showed (null before it was first shown and
// after it was closed).
ScanReportWindow* scanReportWindow(viewer::MainWindow& window);

} // namespace reports
