#include "maintenance/Workflow.h"

#include "maintenance/CheckStorageWindow.h"
#include "maintenance/MaintenanceDialog.h"
#include "maintenance/RecordHistoryWindow.h"
#include "viewer/MainWindow.h"
#include "viewer/MainWindowUi.h"

#include <QAction>
#include <QMenu>


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
    // "Check Storage..." of the Maintenance menu: the rows and files of the department.
    auto* item = new QAction("Check &Storage...", window.ui().mnuMaintenanceMenu);
    item->setObjectName("mnuCheckStorage");
    window.ui().mnuMaintenanceMenu->addAction(item);
    QObject::connect(item, &QAction::triggered, &window,
                     [w] { w->runCommand([w] { mnuCheckStorage_Click(*w); }); });
    // "Record History...": who did what with the open record, a patient's or an employee's.
    auto* history = new QAction("Record &History...", window.ui().mnuMaintenanceMenu);
    history->setObjectName("mnuRecordHistory");
    window.ui().mnuMaintenanceMenu->addAction(history);
    QObject::connect(history, &QAction::triggered, &window,
                     [w] { w->runCommand([w] { mnuRecordHistory_Click(*w); }); });
}

} // namespace maintenance
