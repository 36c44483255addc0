#pragma once
// The Page menu's commands that add pages to the open record or replace one: Insert and
// Append (a scanned page, or pages of an existing file through the "Insert Pages" / "Append
// Pages" dialog), Rescan, and Import (every image file of a folder). Every change is one
// atomic page operation of the engine on the open document's file; long ones run as the
// window's document job.
#include <QString>
#include <functional>

namespace viewer {
class MainWindow;
}
namespace imaging {
class DocumentModel;
}
namespace jobs {
class Progress;
struct Result;
}

namespace capture {

void installPageCommands(viewer::MainWindow& window);

// The scanner settings of the page commands.
struct PageScanSettings {
    bool showSetup;      // the scanner's setup is shown first
    int destination;     // destination code (1 display and file)
    bool severalPages;   // the feeder until it is empty
    bool atCurrentPage;  // the scan page is the page display's current page
    int placement;       // 2 append, 3 insert, 4 overwrite
};
inline constexpr PageScanSettings kInsertScan{true, 1, true, true, 3};
inline constexpr PageScanSettings kAppendScan{true, 1, true, false, 2};
inline constexpr PageScanSettings kRescan{true, 1, false, true, 4};

void mnuPageInsertItem_Click(viewer::MainWindow& window, int Index);
void mnuPageAppendItem_Click(viewer::MainWindow& window, int Index);
void mnuPageRescan_Click(viewer::MainWindow& window);
void mAddImages_Click(viewer::MainWindow& window);

// Runs `work` on the open document's model as the window's document job (the window keeps
// painting); `then` runs on the window thread afterwards. False (with a message) when no
// document is open or another document job runs; `then` is not called then.
bool startPageJob(viewer::MainWindow& window, const QString& title,
                  std::function<void(imaging::DocumentModel&, jobs::Progress&)> work,
                  std::function<void(const jobs::Result&)> then, bool cancellable = false);

} // namespace capture
