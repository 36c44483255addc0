#include "capture/PageCommands.h"

#include "viewer/MainWindow.h"

namespace capture {

void installPageCommands(viewer::MainWindow&) {}

} // namespace capture
