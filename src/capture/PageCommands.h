#pragma once
// The Page menu's commands that add pages to the open record or replace one: Insert and
// Append (a scanned page, or pages of an existing file through the "Insert Pages" / "Append
// Pages" dialog), Rescan, and Import (every image file of a folder).
namespace viewer {
class MainWindow;
}

namespace capture {

void installPageCommands(viewer::MainWindow& window);

} // namespace capture
