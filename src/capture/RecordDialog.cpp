#include "capture/RecordDialog.h"

#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "app/Shell.h"
#include "capture/CaptureState.h"
#include "capture/CoverSheet.h"
#include "capture/Filing.h"
#include "capture/NewRecordDialog.h"
#include "db/Connection.h"
#include "records/CaptureStatements.h"
#include "storage/RecordPaths.h"
#include "viewer/CommandState.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace capture {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QLineEdit* box(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

} // namespace

int fillRecordTypes(viewer::MainWindow& w, QComboBox& combo) {
    app::Session& s = w.session();
    combo.clear();
    db::RecordsetPtr rs =
        app::recordsConnection(s).open(records::selectRecordTypesForFiling(s.gstrDepartmentID), db::kClientReadOnly);
    int lastDefault = -1;
    for (int i = 0; !rs->eof(); rs->moveNext(), ++i) {
        combo.addItem(rs->text("rectype_name"), rs->value("rectype_id").toInt());
        const QVariant d = rs->value("rectype_default");
        if (!d.isNull() && d.toInt() != 0) lastDefault = i;
    }
    rs->close();
    return lastDefault;
}

void followFiling(QDialog* dialog, FilingOptions& options) {
    QPointer<QDialog> self(dialog);
    options.started = [self] {
        if (self) self->hide();
    };
    options.done = [self](bool filed) {
        if (!self) return;
        if (filed) {
            self->close();
        } else {
            self->show();
            self->raise();
        }
    };
}

void followDocumentJobs(viewer::MainWindow& w, QDialog* dialog, std::vector<QWidget*> controls) {
    auto apply = [&w, controls] {
        const bool free = viewer::commandState(w.commandFacts()).recordFiling;
        for (QWidget* c : controls) c->setEnabled(free);
    };
    QObject::connect(&w.jobs(), &viewer::JobHost::documentBusyChanged, dialog, apply);
    apply();
}

RecordDialog::RecordDialog(viewer::MainWindow& w, Kind kind)
    : QDialog(&w), w_(w), kind_(kind) {
    const bool records = kind == Kind::Records;
    setObjectName(records ? "frmRecords" : "frmManual");
    setWindowTitle("Scan New Record");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setAttribute(Qt::WA_DeleteOnClose);

    txtAdmID = box(this, "txtAdmID");
    txtHospNum = box(this, "txtHospNum");
    txtLastname = box(this, "txtLastname");
    txtFirstname = box(this, "txtFirstname");
    txtMiddlename = box(this, "txtMiddlename");
    txtAdmDate = box(this, "txtAdmDate");
    txtDisDate = box(this, "txtDisDate");
    cboScanType = new QComboBox(this);
    cboScanType->setObjectName("cboScanType");
    cboScanType->setMinimumWidth(220);
    chkSkipScan = new QCheckBox("Skip Scan      (Save Data only)", this);
    chkSkipScan->setObjectName("chkSkipScan");
    btnScan = new QPushButton("&Scan", this);
    btnScan->setObjectName("btnScan");
    btnNewSearch = new QPushButton("&New Search", this);
    btnNewSearch->setObjectName("btnNewSearch");
    btnClose = new QPushButton("&Close", this);
    btnClose->setObjectName("btnClose");
    btnPrintCoverSheet = new QPushButton("Print Co&ver Sheet", this);
    btnPrintCoverSheet->setObjectName("btnPrintCoverSheet");

    auto* grid = new QGridLayout;
    int row = 0;
    auto add = [&](const QString& label, QWidget* field) {
        auto* l = new QLabel(label, this);
        l->setBuddy(field);
        grid->addWidget(l, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    };
    add("Admission No.:", txtAdmID);
    add("Hospital No.:", txtHospNum);
    add("Last Name:", txtLastname);
    add("First Name:", txtFirstname);
    add("Middle Name:", txtMiddlename);
    add("Admission Date:", txtAdmDate);
    add("Discharge Date:", txtDisDate);
    add(records ? "Record Type:" : "Scan Type:", cboScanType);
    if (records) {
        txtDesc = box(this, "txtDesc");
        txtDesc->setMaxLength(150);
        add("Description", txtDesc);
    }
    grid->addWidget(chkSkipScan, row++, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnScan);
    buttons->addWidget(btnNewSearch);
    buttons->addWidget(btnClose);
    buttons->addWidget(btnPrintCoverSheet);
    buttons->addStretch(1);
    if (records) {
        cmdOpenFolder = new QPushButton("Open Folder", this);
        cmdOpenFolder->setObjectName("cmdOpenFolder");
        cmdResetFile = new QPushButton("Reset/Delete File", this);
        cmdResetFile->setObjectName("cmdResetFile");
        auto* hint = new QLabel("If scanning fails, click Reset/Delete File.", this);
        hint->setObjectName("lblHint");
        hint->setWordWrap(true);
        buttons->addWidget(hint);
        buttons->addWidget(cmdOpenFolder);
        buttons->addWidget(cmdResetFile);
        connect(cmdOpenFolder, &QPushButton::clicked, this,
                [this] { w_.runCommand([this] { cmdOpenFolder_Click(); }); });
        connect(cmdResetFile, &QPushButton::clicked, this,
                [this] { w_.runCommand([this] { cmdResetFile_Click(); }); });
    }
    for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);

    connect(btnScan, &QPushButton::clicked, this,
            [this] { w_.runCommand([this] { btnScan_Click(); }); });
    connect(btnNewSearch, &QPushButton::clicked, this,
            [this] { w_.runCommand([this] { btnNewSearch_Click(); }); });
    connect(btnClose, &QPushButton::clicked, this, [this] { close(); });
    connect(btnPrintCoverSheet, &QPushButton::clicked, this, [this] {
        w_.runCommand([this] {
            printCoverSheet(w_, txtAdmID->text(), *cboScanType, txtAdmDate->text(), this);
        });
    });

    // Form load: centred horizontally on the screen, the record types filled.
    adjustSize();
    if (const QScreen* screen = w.screen() ? w.screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().x() + (screen->availableGeometry().width() - width()) / 2,
             qMax(screen->availableGeometry().y(), w.y() + 80));
    if (!records) txtAdmDate->setText(w.session().svc.clock->today().toString("MM/dd/yyyy"));
    loadRecordTypes();
    // While a job works on the document the dialog starts no filing and moves no file.
    std::vector<QWidget*> filing{btnScan};
    if (cmdResetFile) filing.push_back(cmdResetFile);
    followDocumentJobs(w, this, filing);
}

void RecordDialog::loadRecordTypes() {
    const int lastDefault = fillRecordTypes(w_, *cboScanType);
    if (lastDefault >= 0)
        cboScanType->setCurrentIndex(lastDefault);
    else
        cboScanType->setCurrentIndex(kind_ == Kind::Manual && cboScanType->count() > 0 ? 0 : -1);
}

void RecordDialog::fill(const QStringList& a) {
    QLineEdit* boxes[] = {txtAdmID,      txtHospNum, txtLastname, txtFirstname,
                          txtMiddlename, txtAdmDate, txtDisDate};
    for (int i = 0; i < 7; ++i) boxes[i]->setText(a.value(i));
}

void RecordDialog::btnScan_Click() {
    app::Session& s = w_.session();
    app::Prompter& ask = *s.svc.prompter;
    const QString id = txtAdmID->text();
    if (id.isEmpty()) {
        ask.msgBox("AdmissionID is required!", app::mb::OKOnly, app::mb::Critical);
        return;
    }
    if (const QString why = fileableProblem(id, txtAdmDate->text()); !why.isEmpty()) {
        ask.msgBox(why, app::mb::OKOnly, app::mb::Exclamation);
        return;
    }
    if (!windowFree(w_)) return;
    if (kind_ == Kind::Manual &&
        ask.msgBox("Please confirm that all information is correct.", app::mb::OKCancel,
                   app::mb::Information, QString()) != app::mb::OK)
        return;
    bool replace = false;
    if (!CheckAlreadyScanned(w_, "AdmissionID: ", id, *cboScanType, replace)) return;
    if (ask.msgBox("Please prepare all documents that will be " + kCrLf +
                       "scanned for Admission No: " + id + kCrLf + "Press OK when ready.",
                   app::mb::OKCancel, app::mb::Information, "Ready?") != app::mb::OK)
        return;
    if (kind_ == Kind::Records) {
        app::RecordContext& r = s.rec;
        r.gstrAdmissionID = id;
        r.gstrHospNum = txtHospNum->text();
        r.gstrPatientName = txtLastname->text() + ", " + txtFirstname->text() + " " +
                            txtMiddlename->text();
        r.gstrAdmDate = txtAdmDate->text();
        r.gstrDisDate = txtDisDate->text();
        r.gstrDescription = txtDesc->text();
        // The record panel names the type the new record is filed under.
        r.gstrRecTypeName = cboScanType->currentText();
    }
    FilingOptions options;
    options.replace = replace;
    options.description = s.rec.gstrDescription;
    options.skipScanOffered = true;
    followFiling(this, options);
    ScanStart(w_, id, selectedRecordType(*cboScanType), txtAdmDate->text(),
              chkSkipScan->isChecked() ? 1 : 0, std::move(options));
}

void RecordDialog::btnNewSearch_Click() {
    for (QLineEdit* b : {txtAdmDate, txtAdmID, txtDisDate, txtFirstname, txtHospNum, txtLastname,
                         txtMiddlename})
        b->clear();
    CaptureState& state = CaptureState::of(w_);
    if (!state.newRec) state.newRec = new NewRecordDialog(w_);
    state.newRec->show();
    state.newRec->raise();
    state.newRec->activateWindow();
    close();
}

void RecordDialog::cmdOpenFolder_Click() {
    app::Session& s = w_.session();
    const QDate date = storage::parseRecordDate(txtAdmDate->text());
    if (!date.isValid()) {
        s.svc.prompter->msgBox("Invalid Date.");
        return;
    }
    const QString folder = storage::dateFolderPath(s.gstrDefaultDirectory, date);
    // The year folder is made too when it is missing.
    app::Steps(app::FailureStyle::Skip)([&] { QDir().mkpath(s.svc.paths->toNative(folder)); });
    s.svc.shell->run("explorer.exe " + folder, app::kMinimizedFocus);
}

void RecordDialog::cmdResetFile_Click() {
    app::Session& s = w_.session();
    app::Prompter& ask = *s.svc.prompter;
    if (cboScanType->currentIndex() < 0) {
        ask.msgBox("Select record type.");
        return;
    }
    const QDate date = storage::parseRecordDate(txtAdmDate->text());
    if (!date.isValid()) {
        ask.msgBox("Invalid Date.");
        return;
    }
    const QString file = storage::dateFolderPath(s.gstrDefaultDirectory, date) + "\\" +
                         txtAdmID->text() + "-" +
                         QString::number(selectedRecordType(*cboScanType)) + ".tif";
    app::Steps steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter);
    steps.format([file](const app::ErrorInfo& e) { return e.description + "-   " + file; });
    steps([&] {
        if (const auto why = storage::invalidIdReason(txtAdmID->text()))
            throw std::runtime_error(why->toStdString());
        if (!QFileInfo::exists(s.svc.paths->toNative(file)))
            throw std::runtime_error("File not found");
        // Moved aside, not destroyed: a mistaken click loses no pages.
        storage::recycleRecordFile(s, s.gstrDefaultDirectory, file);
    });
}

} // namespace capture
