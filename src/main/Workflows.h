#pragma once
// The record workflows installed onto the main window. Each workflow library offers
// `<workflow>::install(viewer::MainWindow&)` in "<workflow>/Workflow.h", which connects its
// menu items and toolbar commands to its own dialogs; the main window knows none of them.
#include <QString>

namespace db {
class Connection;
}
namespace viewer {
class MainWindow;
}

namespace program {

void installWorkflows(viewer::MainWindow& window);

// Fills a new demo share (a native folder) with the files the demo database's filed records
// name, when the retrieval workflow is part of the program.
void fillDemoShare(db::Connection& connection, const QString& shareFolder);

} // namespace program
