#include "capture/NewRecordOtherDialog.h"

#include "app/Browse.h"
#include "app/Classes.h"
#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "capture/CoverSheet.h"
#include "capture/Filing.h"
#include "capture/RecordDialog.h"
#include "viewer/MainWindow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace capture {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

NewRecordOtherDialog::NewRecordOtherDialog(viewer::MainWindow& w) : QDialog(&w), w_(w) {
    setObjectName("frmNewRecOther");
    setWindowTitle("Scan New Record");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setAttribute(Qt::WA_DeleteOnClose);

    lblDepartment = new QLabel("Department", this);
    lblDepartment->setObjectName("lblDepartment");
    QFont bold = lblDepartment->font();
    bold.setBold(true);
    lblDepartment->setFont(bold);
    txtAdmID = new QLineEdit(this);
    txtAdmID->setObjectName("txtAdmID");
    cmdSelectID = new QPushButton("s&elect...", this);
    cmdSelectID->setObjectName("cmdSelectID");
    cmdSelectID->setVisible(false);
    txtDescription = new QLineEdit(this);
    txtDescription->setObjectName("txtDescription");
    txtDescription->setMaxLength(150);
    txtAdmDate = new QLineEdit(this);
    txtAdmDate->setObjectName("txtAdmDate");
    cboScanType = new QComboBox(this);
    cboScanType->setObjectName("cboScanType");
    cboScanType->setMinimumWidth(220);
    btnScan = new QPushButton("&Scan", this);
    btnScan->setObjectName("btnScan");
    btnClose = new QPushButton("&Close", this);
    btnClose->setObjectName("btnClose");
    btnPrintCoverSheet = new QPushButton("Print Co&ver Sheet", this);
    btnPrintCoverSheet->setObjectName("btnPrintCoverSheet");
    for (QPushButton* b : {cmdSelectID, btnScan, btnClose, btnPrintCoverSheet})
        b->setAutoDefault(false);

    auto* grid = new QGridLayout;
    auto add = [&](int row, const QString& label, QWidget* field) {
        auto* l = new QLabel(label, this);
        l->setBuddy(field);
        grid->addWidget(l, row, 0);
        grid->addWidget(field, row, 1);
    };
    grid->addWidget(lblDepartment, 0, 0, 1, 3);
    add(1, "&ID No.:", txtAdmID);
    grid->addWidget(cmdSelectID, 1, 2);
    add(2, "&Description:", txtDescription);
    add(3, "Record Date:", txtAdmDate);
    add(4, "Record Type:", cboScanType);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnPrintCoverSheet);
    buttons->addStretch(1);
    buttons->addWidget(btnScan);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(cmdSelectID, &QPushButton::clicked, this, [this] { cmdSelectID_Click(); });
    connect(btnScan, &QPushButton::clicked, this,
            [this] { w_.runCommand([this] { btnScan_Click(); }); });
    connect(btnClose, &QPushButton::clicked, this, [this] { close(); });
    connect(btnPrintCoverSheet, &QPushButton::clicked, this, [this] {
        w_.runCommand([this] {
            printCoverSheet(w_, txtAdmID->text(), *cboScanType, txtAdmDate->text(), this);
        });
    });
    followDocumentJobs(w, this, {btnScan});
}

void NewRecordOtherDialog::Form_Load() {
    app::Session& s = w_.session();
    cboScanType->clear();
    lblDepartment->setText(w_.ui().cboDept->currentText() + " " + s.gstrDepartmentID);
    adjustSize();
    if (const QScreen* screen = w_.screen() ? w_.screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().x() + (screen->availableGeometry().width() - width()) / 2,
             qMax(screen->availableGeometry().y(), w_.y() + 80));
    int lastDefault = -1;
    app::Steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter)(
        [&] { lastDefault = fillRecordTypes(w_, *cboScanType); });
    if (cboScanType->count() == 0) {
        s.svc.prompter->msgBox("no scan type");
        s.svc.prompter->msgBox("Record Type needed.");
        // The record type administration, when the program has it; the list is not filled
        // again afterwards (the dialog is opened again to see new types).
        if (w_.openRecordTypesModal) w_.openRecordTypesModal(this);
    } else {
        cboScanType->setCurrentIndex(0);
        if (lastDefault >= 0) cboScanType->setCurrentIndex(lastDefault);
    }
    txtAdmDate->setText(s.svc.clock->today().toString("MM/dd/yyyy"));
    cmdSelectID->setVisible(s.gstrDepartmentID == "HRD" || s.gstrDepartmentID == "HR");
}

void NewRecordOtherDialog::RefreshControl(const QString&, int) {}

void NewRecordOtherDialog::cmdSelectID_Click() {
    app::Session& s = w_.session();
    app::Steps steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter);
    steps.format([](const app::ErrorInfo& e) { return e.description + app::kBrowseFailureSuffix; });
    steps([&] {
        app::InitClassesComponent(s);
        if (!s.gblnClassesReady || !s.gobjClasses)
            throw std::runtime_error("The classes component is not available.");
        app::ClassesProgram& program = s.gobjClasses->Program();
        app::BrowseComponent& b = program.Browse();
        b.Init();
        b.PropParentWindow = this;
        b.PropTable = "tbpmaster";
        b.PropDatabaseName = s.gobjCurrentUser->PayrollDB();
        b.PropWindowTitle = "";
        b.PropFieldList = "EmpNum, LastName,FirstName , MiddleName ";
        b.PropOperation = "";
        b.PropFindLabel1 = "EmployeeName";
        b.PropFindLabel2 = "EmpNum";
        b.PropFindField1 = "LastName";
        b.PropFindField2 = "EmpNum";
        b.PropFieldNameID = "EmpNum";
        b.PropFieldNameDesc = "LastName";
        b.PropOperation = "FS";
        b.PropFieldSizes = "1500,2000,2000,2000";
        b.PropFindBeforeListing = true;
        b.PropControlNameToUpdate = "txtAdmID";
        b.PropControlNameToUpdateDesc = "txtDescription";
        program.newbrowse();
    });
}

void NewRecordOtherDialog::btnScan_Click() {
    app::Session& s = w_.session();
    app::Prompter& ask = *s.svc.prompter;
    const QString id = txtAdmID->text();
    if (id.isEmpty()) {
        ask.msgBox("ID is required!", app::mb::OKOnly, app::mb::Critical);
        return;
    }
    if (const QString why = fileableProblem(id, txtAdmDate->text()); !why.isEmpty()) {
        ask.msgBox(why, app::mb::OKOnly, app::mb::Exclamation);
        return;
    }
    if (!windowFree(w_)) return;
    bool replace = false;
    if (!CheckAlreadyScanned(w_, "ID: ", id, *cboScanType, replace)) return;
    if (ask.msgBox("Please prepare all documents that will be " + kCrLf + "scanned for ID No: " +
                       id + kCrLf + "Press OK when ready.",
                   app::mb::OKCancel, app::mb::Information, "Ready?") != app::mb::OK)
        return;
    app::RecordContext& r = s.rec;
    r.gstrAdmissionID = id;
    r.gstrDescription = txtDescription->text();
    r.gstrAdmDate = txtAdmDate->text();
    r.gstrEmployeeID = s.gobjCurrentUser->EmployeeCode();
    r.gstrScanUpdate = s.svc.clock->now().toString(QStringLiteral("MM/dd/yyyy h:mm:ss AP"));
    r.gstrRecTypeName = cboScanType->currentText();
    w_.SetExamData();
    FilingOptions options;
    options.replace = replace;
    options.description = r.gstrDescription;
    followFiling(this, options);
    ScanStart(w_, id, selectedRecordType(*cboScanType), txtAdmDate->text(), 0, std::move(options));
}

} // namespace capture
