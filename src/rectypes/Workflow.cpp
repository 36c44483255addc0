#include "rectypes/Workflow.h"

#include "app/Access.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QPointer>

namespace rectypes {

namespace {

// The one modeless list of the main window.
struct ListSlot : QObject {
    QPointer<RecTypeListWindow> window;
};

void mnuRectype_Click(viewer::MainWindow& w, ListSlot& slot, const DialogRunner& run) {
    if (!app::CanChangeSettings(w.session())) return;
    if (!slot.window) {
        // A window of its own (not kept above the main window), closed with the program.
        slot.window = new RecTypeListWindow(w, run, &w);
        slot.window->setAttribute(Qt::WA_DeleteOnClose);
    }
    slot.window->show();
    slot.window->raise();
    slot.window->activateWindow();
}

} // namespace

void install(viewer::MainWindow& window) { install(window, Options{}); }

void install(viewer::MainWindow& window, Options options) {
    DialogRunner run = options.runDialog ? options.runDialog : DialogRunner([](QDialog& d) { d.exec(); });
    auto* slot = new ListSlot;
    slot->setParent(&window);
    slot->setObjectName("rectypesListWindow");
    viewer::MainWindow* w = &window;
    QObject::connect(window.ui().mnuRectype, &QAction::triggered, &window, [w, slot, run] {
        w->runCommand([&] { mnuRectype_Click(*w, *slot, run); });
    });
    // The list belongs to the department chosen when it loaded: reload it for another one.
    QObject::connect(&window, &viewer::MainWindow::departmentChanged, slot, [w, slot] {
        if (slot->window) w->runCommand([slot] { slot->window->RecType_refresh(); });
    });
    window.openRecordTypesModal = [w, run](QWidget* owner) {
        RecTypeListWindow list(*w, run, owner ? owner : w);
        list.setWindowFlags(Qt::Dialog);
        list.setModal(true);
        run(list);
    };
}

RecTypeListWindow* listWindow(viewer::MainWindow& window) {
    auto* slot = window.findChild<ListSlot*>("rectypesListWindow");
    return slot ? slot->window.data() : nullptr;
}

} // namespace rectypes
