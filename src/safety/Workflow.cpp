#include "safety/Workflow.h"

#include "safety/FileGuard.h"
#include "safety/VersionCommands.h"
#include "viewer/MainWindow.h"

namespace safety {

void install(viewer::MainWindow& window) {
    installFileGuard(window);
    installVersionCommands(window);
}

} // namespace safety
