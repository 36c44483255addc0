#include "safety/Workflow.h"

#include "safety/FileGuard.h"
#include "viewer/MainWindow.h"

namespace safety {

void install(viewer::MainWindow& window) {
    installFileGuard(window);
}

} // namespace safety
