#include "viewer/SessionCommands.h"

#include "app/Access.h"
#include "app/CurrentUser.h"
#include "app/DatabaseUpdate.h"
#include "app/Failure.h"
#include "app/Log.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "storage/LocationTools.h"
#include "viewer/Departments.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace viewer {

SessionCommands::SessionCommands(MainWindow& w) : QObject(&w), w_(w) {
    MainWindowUi& ui = w.ui();
    auto on = [&](QAction* a, void (SessionCommands::*f)()) {
        connect(a, &QAction::triggered, this, [this, f] { w_.runCommand([this, f] { (this->*f)(); }); });
    };
    on(ui.mAdmin, &SessionCommands::mAdmin_Click);
    on(ui.mChangeType, &SessionCommands::mChangeType_Click);
    on(ui.mTraceMode, &SessionCommands::mTraceMode_Click);
    on(ui.mConnect, &SessionCommands::mConnect_Click);
    on(ui.mnuFileLoc, &SessionCommands::mnuFileLoc_Click);
    on(ui.mTestWrite, &SessionCommands::mTestWrite_Click);
    on(ui.mnuFileChangePassword, &SessionCommands::mnuFileChangePassword_Click);
    on(ui.mOpenLocation, &SessionCommands::mOpenLocation_Click);
    on(ui.mUpdateDatabase, &SessionCommands::mUpdateDatabase_Click);
    on(ui.mUpdateModule, &SessionCommands::mUpdateModule_Click);
    connect(ui.cboDept, &QComboBox::activated, this,
            [this] { w_.runCommand([this] { cboDept_Click(); }); });
    connect(ui.txtAdminPW, &QLineEdit::textChanged, this, &SessionCommands::txtAdminPW_Change);
    connect(ui.cmdCancelAdmin, &QPushButton::clicked, this, &SessionCommands::cmdCancelAdmin_Click);
}

void SessionCommands::loadDepartments() {
    app::Session& s = w_.session();
    MainWindowUi& ui = w_.ui();
    const QString code = s.gobjCurrentUser->EmployeeCode();
    s.gstrDepartmentID = "...";
    DepartmentList list;
    try {
        const QString saved = s.svc.settings->read(app::kAppMain, "MAIN", "cboDept " + code, "");
        list = loadDepartmentList(app::recordsConnection(s), code, saved);
    } catch (...) {
        // The departments cannot be read: say why and go on with an empty list.
        s.svc.prompter->msgBox(app::describeCurrentException().description, app::mb::OKOnly,
                               app::mb::Critical);
        list = {};
    }
    ui.cboDept->clear();
    ui.cboDept->addItems(list.names);
    DepartmentIDs = list.ids;
    if (list.chosen >= 0) {
        ui.cboDept->setCurrentIndex(list.chosen);
        cboDept_Click();
        s.gstrDepartmentID = DepartmentIDs.value(ui.cboDept->currentIndex());
    } else {
        ui.cboDept->setCurrentIndex(-1);
    }
    ui.fraDept->setTitle("Department : " + s.gstrDepartmentID);
    if (s.gstrDepartmentID == "...")
        s.svc.prompter->msgBox("User has no default department, select in UserManager.",
                               app::mb::OKOnly);
}

void SessionCommands::cboDept_Click() {
    app::Session& s = w_.session();
    MainWindowUi& ui = w_.ui();
    const int sel = ui.cboDept->currentIndex();
    if (sel < 0) return;
    s.gstrDepartmentID = DepartmentIDs.value(sel);
    ui.fraDept->setTitle("Department : " + s.gstrDepartmentID);
    s.gstrDeptFolder = s.gstrDepartmentID;
    storage::deriveStorageRoot(s);
    if (ui.mTraceMode->isChecked()) {
        s.WriteLog("SubDir " + s.gstrDeptFolder);
        s.WriteLog("gstrDefaultDirectoryD " + s.gstrDefaultDirectoryD);
        s.WriteLog("gstrDefaultDirectory " + s.gstrDefaultDirectory);
    }
    w_.CurrentFolder = s.gstrDefaultDirectory;
    if (!ui.txtRecID->text().isEmpty()) {
        w_.mnuFileClose_Click();
        w_.ClearRecordData();
    }
    ui.fraPinfo->setVisible(s.gstrDepartmentID.isEmpty());
    // The record-search window belongs to one department: it is built again for the next.
    emit w_.departmentChanged();
    s.svc.settings->write(app::kAppMain, "MAIN", "cboDept " + s.gobjCurrentUser->EmployeeCode(),
                          ui.cboDept->currentText());
}

void SessionCommands::mAdmin_Click() {
    w_.ui().fraAdminMode->show();
    w_.ui().txtAdminPW->setFocus();
}

void SessionCommands::txtAdminPW_Change() {
    if (w_.ui().txtAdminPW->text() != "827") return;
    w_.ui().fraAdminMode->hide();
    w_.session().gblnAdmin = true;
    w_.ApplyAccessMenus();
}

void SessionCommands::cmdCancelAdmin_Click() {
    w_.ui().fraAdminMode->hide();
    w_.session().gblnAdmin = false;
    w_.ApplyAccessMenus();
}

void SessionCommands::mChangeType_Click() {
    app::Session& s = w_.session();
    if (!app::CanChangeSettings(s)) return;
    s.svc.settings->write(app::kAppMain, "MAIN", "StartupType", "");
    emit w_.startupWindowRequested();
}

void SessionCommands::mTraceMode_Click() {
    // The item toggles its own check mark; nothing else changes.
}

void SessionCommands::mConnect_Click() {
    storage::FileLocationDialog d(w_.session(), &w_);
    d.setAttribute(Qt::WA_DeleteOnClose, false);
    d.cmdNetUse_Click();
}

void SessionCommands::mnuFileLoc_Click() {
    if (!app::CanChangeSettings(w_.session())) return;
    auto* d = new storage::FileLocationDialog(w_.session(), &w_);
    d->show();
}

void SessionCommands::mTestWrite_Click() { storage::TestWrite(w_.session()); }

void SessionCommands::mnuFileChangePassword_Click() {
    app::Session& s = w_.session();
    if (s.gobjCurrentUser) s.gobjCurrentUser->ChangePassword();
}

void SessionCommands::mOpenLocation_Click() {
    if (!app::CanChangeSettings(w_.session())) return;
    storage::OpenLocation(w_.session(), w_.CurrentFolder);
}

void SessionCommands::mUpdateDatabase_Click() {
    if (!app::CanChangeSettings(w_.session())) return;
    app::UpdateDatabase(w_.session());
}

void SessionCommands::mUpdateModule_Click() {
    if (!app::CanChangeSettings(w_.session())) return;
    app::UpdateModule(w_.session());
}

} // namespace viewer
