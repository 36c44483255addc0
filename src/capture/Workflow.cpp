#include "capture/Workflow.h"

#include "app/Access.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "capture/BatchWindow.h"
#include "capture/CaptureState.h"
#include "capture/CoverSheet.h"
#include "capture/Filing.h"
#include "capture/NewRecordDialog.h"
#include "capture/NewRecordOtherDialog.h"
#include "capture/PageCommands.h"
#include "capture/RecordDialog.h"
#include "imaging/controls/ImageScan.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QLineEdit>
#include <QTimer>

namespace capture {

namespace {

// The scanner's preferences ("Scanner/Device", ...) kept in the program's settings, section
// "Scanner" of "TALVOR Docuvane", so a choice made in "Scan Pre&ferences..." lasts.
class ScannerSettings : public imaging::KeyValueStore {
public:
    explicit ScannerSettings(app::SettingsStore& store) : store_(store) {}
    QVariant value(const QString& key) const override {
        const auto [section, name] = split(key);
        static const QString absent = QStringLiteral("<not stored>");
        const QString v = store_.read(app::kAppPrefs, section, name, absent);
        return v == absent ? QVariant() : QVariant(v);
    }
    void setValue(const QString& key, const QVariant& value) override {
        const auto [section, name] = split(key);
        store_.write(app::kAppPrefs, section, name, value.toString());
    }

private:
    static std::pair<QString, QString> split(const QString& key) {
        const int slash = key.indexOf(QLatin1Char('/'));
        return slash < 0 ? std::pair{QStringLiteral("Scanner"), key}
                         : std::pair{key.left(slash), key.mid(slash + 1)};
    }
    app::SettingsStore& store_;
};

template <class T> void bringUp(T* dialog) {
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void mnuFileNew_Click(viewer::MainWindow& w) {
    app::Session& s = w.session();
    if (app::refuseWithoutRights(s)) return;
    CaptureState& state = CaptureState::of(w);
    if (s.gstrDepartmentID.isEmpty()) {
        if (!state.newRec) state.newRec = new NewRecordDialog(w);
        bringUp(state.newRec.data());
        state.newRec->txtAdmNo->setFocus();
    } else if (state.newRecOther) {
        bringUp(state.newRecOther.data());
    } else {
        state.newRecOther = new NewRecordOtherDialog(w);
        bringUp(state.newRecOther.data());
        state.newRecOther->Form_Load();
    }
    w.SetExamData();
}

void mnuFileManual_Click(viewer::MainWindow& w) {
    app::Session& s = w.session();
    if (app::refuseWithoutRights(s)) return;
    CaptureState& state = CaptureState::of(w);
    if (!state.manual) state.manual = new RecordDialog(w, RecordDialog::Kind::Manual);
    // Modal: the rest of the program waits while it is open (shown without a loop of its own).
    state.manual->setWindowModality(Qt::ApplicationModal);
    bringUp(state.manual.data());
}

} // namespace

void install(viewer::MainWindow& w) {
    auto* state = new CaptureState(w);
    if (w.session().svc.settings)
        w.docImgScan1->setPreferenceStore(std::make_shared<ScannerSettings>(*w.session().svc.settings));
    auto& ui = w.ui();
    auto on = [&w](QAction* item, void (*command)(viewer::MainWindow&)) {
        QObject::connect(item, &QAction::triggered, &w,
                         [&w, command] { w.runCommand([&] { command(w); }); });
    };
    on(ui.mnuFileNew, mnuFileNew_Click);
    on(ui.mnuFileManual, mnuFileManual_Click);
    on(ui.mnuFilePrintCoverSheet, mnuFilePrintCoverSheet_Click);
    on(ui.mnuFileScanNew, mnuFileScanNew_Click);
    on(ui.mnuFileScanBatch, mnuFileScanBatch_Click);
    on(ui.mnuScanSet, mnuScanSet_Click);
    on(ui.mnuFileSelectScanner, mnuFileSelectScanner_Click);
    on(ui.mnuFileScanPreferences, mnuFileScanPreferences_Click);
    installPageCommands(w);
    // Once the main window shows after the sign-in: a batch left unfinished is offered.
    QTimer::singleShot(0, &w, [&w] {
        if (w.loaded()) offerInterruptedBatches(w);
    });
    // Dialogs built for one department's record types go with it.
    QObject::connect(&w, &viewer::MainWindow::departmentChanged, state, [state] {
        if (state->records) state->records->close();
        if (state->manual) state->manual->close();
        if (state->newRecOther) state->newRecOther->close();
    });
}

} // namespace capture
