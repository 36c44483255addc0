#pragma once
// Maintenance: the record search's "Maintenance" label opens the maintenance dialog of the
// selected row (installed as the main window's record-maintenance opener).
#include <functional>

class QDialog;

namespace viewer {
class MainWindow;
}

namespace maintenance {

struct Options {
    // Runs the dialog modally (exec() when empty); tests script it instead.
    std::function<void(QDialog&)> runDialog;
};

void install(viewer::MainWindow& window);
void install(viewer::MainWindow& window, Options options);

} // namespace maintenance
