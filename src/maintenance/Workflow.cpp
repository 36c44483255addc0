#include "maintenance/Workflow.h"

#include "maintenance/MaintenanceDialog.h"
#include "viewer/MainWindow.h"


namespace maintenance {

void install(viewer::MainWindow& window) { install(window, Options{}); }

void install(viewer::MainWindow& window, Options options) {
    viewer::MainWindow* w = &window;
    window.openRecordMaintenance = [w, options](QWidget* owner, const QString& recFileId) {
        // The dialog opens with the row's number in its box and that row loaded.
        MaintenanceDialog dialog(w->session(), *w, owner ? owner : w, recFileId);
        if (options.runDialog)
            options.runDialog(dialog);
        else
            dialog.exec();
    };
}

} // namespace maintenance
