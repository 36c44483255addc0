#include "safety/Workflow.h"

#include "safety/FileGuard.h"
#include "safety/LockCommands.h"
#include "safety/VersionCommands.h"
#include "viewer/MainWindow.h"

namespace safety {

void install(viewer::MainWindow& window) {
    installFileGuard(window);
    installLockCommands(window);
    installVersionCommands(window);
}

} // namespace safety
