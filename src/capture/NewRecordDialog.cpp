#include "capture/NewRecordDialog.h"

#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "capture/AdmissionSearch.h"
#include "capture/CaptureState.h"
#include "capture/RecordDialog.h"
#include "db/Connection.h"
#include "jobs/Job.h"
#include "records/CaptureStatements.h"
#include "storage/RecordPaths.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "history/Event.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace capture {

namespace {

struct Column {
    int twips;
    const char* heading;
    const char* field;
};
// Column 0 is the hidden row-header column of the grid's layout.
constexpr Column kColumns[8] = {
    {0, "", nullptr},
    {1400, "Adm. No.", "IdNum"},
    {1000, "Hosp. No.", "HospNum"},
    {1800, "Last Name", "Lastname"},
    {1800, "First Name", "Firstname"},
    {1800, "Middle Name", "Middlename"},
    {1500, "Admission Date", "AdmDate"},
    {1500, "Discharge Date", "DcrDate"},
};

} // namespace

NewRecordDialog::NewRecordDialog(viewer::MainWindow& w) : QDialog(&w), w_(w) {
    setObjectName("frmNewRec");
    setWindowTitle("Scan New Patient Record");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    txtAdmNo = new QLineEdit(this);
    txtAdmNo->setObjectName("txtAdmNo");
    txtAdmDate = new QLineEdit(this);
    txtAdmDate->setObjectName("txtAdmDate");
    txtAdmDate->setPlaceholderText("mm/dd/yyyy");
    txtAdmDate->setMaximumWidth(110);
    txtAdmDate->installEventFilter(this);
    cmdToday = new QPushButton("&Today", this);
    cmdToday->setObjectName("cmdToday");
    chkIncludeOutPatient = new QCheckBox("Include &Out-patient records", this);
    chkIncludeOutPatient->setObjectName("chkIncludeOutPatient");
    chkBydate = new QCheckBox("O&rder by date", this);
    chkBydate->setObjectName("chkBydate");
    btnSearch = new QPushButton("&Search", this);
    btnSearch->setObjectName("btnSearch");
    btnCancel = new QPushButton("&Cancel", this);
    btnCancel->setObjectName("btnCancel");
    for (QPushButton* b : {cmdToday, btnSearch, btnCancel}) b->setAutoDefault(false);

    auto* lblAdmNo = new QLabel("I&D No. / Last Name:", this);
    lblAdmNo->setBuddy(txtAdmNo);
    auto* lblAdmDate = new QLabel("&Adm Date", this);
    lblAdmDate->setBuddy(txtAdmDate);

    fgridOpenRec = new QTableWidget(2, 8, this);
    fgridOpenRec->setObjectName("fgridOpenRec");
    fgridOpenRec->setSelectionBehavior(QAbstractItemView::SelectRows);
    fgridOpenRec->setSelectionMode(QAbstractItemView::SingleSelection);
    fgridOpenRec->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fgridOpenRec->verticalHeader()->hide();
    fgridOpenRec->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    fgridOpenRec->installEventFilter(this);
    fgridOpenRec->setRowCount(1);
    fgridOpenRec->setEnabled(false);
    lblFound = new QLabel(this);
    lblFound->setObjectName("lblFound");

    auto* top = new QGridLayout;
    top->addWidget(lblAdmNo, 0, 0);
    top->addWidget(txtAdmNo, 0, 1, 1, 3);
    top->addWidget(btnSearch, 0, 4);
    top->addWidget(lblAdmDate, 1, 0);
    top->addWidget(txtAdmDate, 1, 1);
    top->addWidget(cmdToday, 1, 2);
    top->addWidget(btnCancel, 1, 4);
    auto* checks = new QHBoxLayout;
    checks->addWidget(chkIncludeOutPatient);
    checks->addWidget(chkBydate);
    checks->addStretch(1);
    checks->addWidget(lblFound);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(checks);
    layout->addWidget(fgridOpenRec, 1);
    applyGridLayout();
    int width = 0;
    for (int c = 0; c < 8; ++c) width += fgridOpenRec->columnWidth(c);
    resize(width + 60, 460);

    connect(btnSearch, &QPushButton::clicked, this, &NewRecordDialog::btnSearch_Click);
    connect(txtAdmNo, &QLineEdit::returnPressed, this, &NewRecordDialog::btnSearch_Click);
    connect(cmdToday, &QPushButton::clicked, this, &NewRecordDialog::cmdToday_Click);
    connect(btnCancel, &QPushButton::clicked, this, [this] { close(); });
    connect(fgridOpenRec, &QTableWidget::cellDoubleClicked, this,
            [this] { fgridOpenRec_DblClick(); });
    setAttribute(Qt::WA_DeleteOnClose);
}

void NewRecordDialog::applyGridLayout() {
    fgridOpenRec->setColumnCount(8);
    QStringList headings;
    const double twipsPerPixel = 1440.0 / logicalDpiX();
    for (int c = 0; c < 8; ++c) {
        headings << QString::fromLatin1(kColumns[c].heading);
        fgridOpenRec->setColumnWidth(c, qRound(kColumns[c].twips / twipsPerPixel));
    }
    fgridOpenRec->setHorizontalHeaderLabels(headings);
    fgridOpenRec->setColumnHidden(0, true);
}

bool NewRecordDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == fgridOpenRec && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            fgridOpenRec_DblClick();
            return true;
        }
    }
    if (watched == txtAdmDate && event->type() == QEvent::FocusOut) txtAdmDate_LostFocus();
    return QDialog::eventFilter(watched, event);
}

void NewRecordDialog::cmdToday_Click() {
    txtAdmDate->setText(w_.session().svc.clock->today().toString("MM/dd/yyyy"));
}

void NewRecordDialog::txtAdmDate_LostFocus() {
    const QString text = txtAdmDate->text();
    if (text.trimmed().isEmpty()) return;
    const QDate d = storage::parseRecordDate(text);
    if (d.isValid())
        txtAdmDate->setText(d.toString("MM/dd/yyyy"));
    else
        w_.session().svc.prompter->msgBox("Invalid Date.");
}

void NewRecordDialog::btnSearch_Click() {
    if (searching_) return;
    app::Session& s = w_.session();
    fgridOpenRec->clearContents();
    txtAdmNo->setText(txtAdmNo->text().trimmed());
    const QString statement = records::searchAdmissions(
        classifyAdmissionSearch(txtAdmNo->text(), txtAdmDate->text(),
                                chkIncludeOutPatient->isChecked(), chkBydate->isChecked()));
    std::shared_ptr<app::CurrentUser> user = s.gobjCurrentUser;
    auto rows = std::make_shared<std::vector<QStringList>>();
    auto* job = new jobs::Job("Searching admissions", [user, statement, rows](jobs::Progress& p) {
        db::Connection* c = user ? user->sqlconnection() : nullptr;
        if (!c) throw std::runtime_error("There is no connection to the database.");
        db::RecordsetPtr rs = c->open(statement, db::kClientReadOnly);
        p.checkCancel();
        rows->reserve(size_t(rs->recordCount()));
        for (; !rs->eof(); rs->moveNext()) {
            QStringList r{QString()};
            for (int col = 1; col < 8; ++col) r << rs->text(QString::fromLatin1(kColumns[col].field));
            rows->push_back(std::move(r));
        }
        rs->close();
    });
    job->setCancellable(true);
    searching_ = true;
    btnSearch->setEnabled(false);
    lblFound->setText("Searching...");
    setCursor(Qt::BusyCursor);
    QPointer<NewRecordDialog> self(this);
    const bool started = w_.jobs().start(
        job, viewer::JobHost::Scope::Background, [self, rows, statement](const jobs::Result& r) {
            if (!self) return;
            self->searching_ = false;
            self->btnSearch->setEnabled(true);
            self->unsetCursor();
            if (r.failed()) {
                self->w_.session().WriteLog(r.errorText + " " + statement);
                self->lblFound->clear();
                return;
            }
            if (r.cancelled()) {
                self->lblFound->setText("The search was cancelled.");
                return;
            }
            self->recordSearchHistory(*rows);
            self->showRows(*rows);
        });
    if (!started) {
        searching_ = false;
        btnSearch->setEnabled(true);
        unsetCursor();
    }
}

// The search in the access history: what was typed, the rows found, and the admission and
// patient when only one was found.
void NewRecordDialog::recordSearchHistory(const std::vector<QStringList>& rows) {
    history::Event e;
    e.action = history::Action::AdmissionSearch;
    if (rows.size() == 1) {
        e.admissionId = rows.front().value(1);
        e.hospitalNumber = rows.front().value(2);
    }
    e.details = QString("%1 = %2%3 (%4 found)")
                    .arg(chkBydate->isChecked() ? "Date" : "ID", txtAdmNo->text(),
                         txtAdmDate->text().isEmpty() ? QString() : "; Date = " + txtAdmDate->text())
                    .arg(rows.size());
    w_.session().recordHistory(e);
}

void NewRecordDialog::showRows(const std::vector<QStringList>& rows) {
    fgridOpenRec->setVisible(true);
    if (rows.empty()) {
        fgridOpenRec->setRowCount(1); // headings and one empty row
        fgridOpenRec->clearContents();
        fgridOpenRec->setEnabled(false);
        lblFound->setText("No admissions found.");
    } else {
        fgridOpenRec->setUpdatesEnabled(false);
        fgridOpenRec->setRowCount(int(rows.size()));
        for (int r = 0; r < int(rows.size()); ++r)
            for (int c = 1; c < 8; ++c)
                fgridOpenRec->setItem(r, c, new QTableWidgetItem(rows[size_t(r)].value(c)));
        fgridOpenRec->setUpdatesEnabled(true);
        fgridOpenRec->setEnabled(true);
        fgridOpenRec->setFocus();
        fgridOpenRec->setCurrentCell(0, 1);
        lblFound->setText(rows.size() == 1 ? QStringLiteral("1 admission found")
                                           : QStringLiteral("%1 admissions found").arg(rows.size()));
    }
    applyGridLayout();
}

void NewRecordDialog::fgridOpenRec_DblClick() {
    if (!fgridOpenRec->isEnabled()) return;
    const int row = fgridOpenRec->currentRow();
    if (row < 0) return;
    auto cell = [&](int c) {
        const QTableWidgetItem* item = fgridOpenRec->item(row, c);
        return item ? item->text() : QString();
    };
    if (cell(1).isEmpty()) return;
    app::Session& s = w_.session();
    CaptureState& state = CaptureState::of(w_);
    RecordDialog* f = state.records;
    if (!f) {
        f = new RecordDialog(w_, RecordDialog::Kind::Records);
        state.records = f;
    }
    f->fill({cell(1), cell(2), cell(3), cell(4), cell(5), cell(6), cell(7)});
    s.rec.gstrAdmissionID = cell(1);
    s.rec.gstrHospNum = cell(2);
    s.rec.gstrPatientName = cell(3) + ", " + cell(4) + " " + cell(5);
    s.rec.gstrAdmDate = cell(6);
    s.rec.gstrDisDate = cell(7);
    w_.SetExamData();
    f->show();
    f->raise();
    f->activateWindow();
    hide();
}

} // namespace capture
