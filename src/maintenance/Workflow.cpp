#include "maintenance/Workflow.h"

#include "maintenance/MaintenanceDialog.h"
#include "viewer/MainWindow.h"

#include <QLineEdit>

namespace maintenance {

void install(viewer::MainWindow& window) { install(window, Options{}); }

void install(viewer::MainWindow& window, Options options) {
    viewer::MainWindow* w = &window;
    window.openRecordMaintenance = [w, options](QWidget* owner, const QString& recFileId) {
        // The dialog's own load fetches before the id is in its box, so it shows no row
        // until "Load" is pressed.
        MaintenanceDialog dialog(w->session(), *w, owner ? owner : w);
        dialog.txtRecFileID->setText(recFileId);
        if (options.runDialog)
            options.runDialog(dialog);
        else
            dialog.exec();
    };
}

} // namespace maintenance
