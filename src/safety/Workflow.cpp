#include "safety/Workflow.h"

#include "viewer/MainWindow.h"

namespace safety {

void install(viewer::MainWindow&) {}

} // namespace safety
