#include "reports/Workflow.h"

#include "reports/PatientAccessWindow.h"
#include "reports/ScanReportWindow.h"
#include "viewer/MainWindowUi.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace reports {

namespace {

// The one report window of the main window.
struct WindowSlot : QObject {
    QPointer<ScanReportWindow> window;
};

void mScanningAcc_Click(viewer::MainWindow& w, WindowSlot& slot) {
    if (!slot.window) {
        // A window of its own, closed with the program.
        slot.window = new ScanReportWindow(w, &w);
        slot.window->setAttribute(Qt::WA_DeleteOnClose);
    }
    slot.window->show();
    slot.window->raise();
    slot.window->activateWindow();
}

} // namespace

void install(viewer::MainWindow& window) {
    auto* slot = new WindowSlot;
    slot->setParent(&window);
    slot->setObjectName("reportsScanReportWindow");
    viewer::MainWindow* w = &window;
    QObject::connect(window.ui().mScanningAcc, &QAction::triggered, &window, [w, slot] {
        w->runCommand([&] { mScanningAcc_Click(*w, *slot); });
    });
    // "Patient Access...": who searched for or opened one patient's records.
    auto* access = new QAction("&Patient Access...", window.ui().mReportsMenu);
    access->setObjectName("mnuPatientAccess");
    window.ui().mReportsMenu->addAction(access);
    QObject::connect(access, &QAction::triggered, &window,
                     [w] { w->runCommand([w] { mnuPatientAccess_Click(*w); }); });
}

ScanReportWindow* scanReportWindow(viewer::MainWindow& window) {
    auto* slot = window.findChild<WindowSlot*>("reportsScanReportWindow");
    return slot ? slot->window.data() : nullptr;
}

} // namespace reports
