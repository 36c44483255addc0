#include "retrieval/Workflow.h"

#include "app/Session.h"
#include "retrieval/OpenRecordWindow.h"
#include "retrieval/RecordCommands.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>

namespace retrieval {

namespace {

// The one search window of the main window, built on first use and after every department
// change (its record types and mode belong to the department).
struct SearchWindowSlot : QObject {
    QPointer<OpenRecordWindow> window;
};

void mnuFileOpenRec_Click(viewer::MainWindow& w, SearchWindowSlot& slot) {
    if (!slot.window) slot.window = new OpenRecordWindow(w);
    OpenRecordWindow& f = *slot.window;
    f.show();
    f.raise();
    f.activateWindow();
    f.setRecMode(w.session().gstrDepartmentID.isEmpty() ? 1 : 0);
    f.txtAdmNo->setFocus();
    f.txtAdmNo->selectAll();
}

} // namespace

void install(viewer::MainWindow& w) {
    auto* slot = new SearchWindowSlot;
    slot->setParent(&w);
    slot->setObjectName("retrievalSearchWindow");
    auto& ui = w.ui();
    QObject::connect(ui.mnuFileOpenRec, &QAction::triggered, &w,
                     [&w, slot] { w.runCommand([&] { mnuFileOpenRec_Click(w, *slot); }); });
    QObject::connect(ui.mDeleteRecord, &QAction::triggered, &w,
                     [&w] { w.runCommand([&] { deleteRecord(w); }); });
    QObject::connect(&w, &viewer::MainWindow::departmentChanged, slot, [slot] {
        if (slot->window) delete slot->window.data();
    });
}

// The search window for tests and tools: the one the command opened, if any.
OpenRecordWindow* searchWindow(viewer::MainWindow& w) {
    auto* slot = w.findChild<SearchWindowSlot*>("retrievalSearchWindow");
    return slot ? slot->window.data() : nullptr;
}

} // namespace retrieval
