#pragma once
// The record workflows installed onto the main window. Each workflow library offers
// `<workflow>::install(viewer::MainWindow&)` in "<workflow>/Workflow.h", which connects its
// menu items and toolbar commands to its own dialogs; the main window knows none of them.
namespace viewer {
class MainWindow;
}

namespace program {

void installWorkflows(viewer::MainWindow& window);

} // namespace program
