#include "retrieval/OpenRecordWindow.h"

#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/General.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "db/Connection.h"
#include "history/Event.h"
#include "jobs/Job.h"
#include "retrieval/RecordCommands.h"
#include "retrieval/SearchResultModel.h"
#include "storage/RecordPaths.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>

namespace retrieval {

namespace {

constexpr int kRowHeight = 330; // twips of a text box
constexpr int kSearchLimit = 200;

// Grid widths in twips: patient mode, department mode (0 hides a column).
constexpr int kPatientWidths[SearchResultModel::kColumns] = {
    0, 1400, 0, 0, 0, 0, 0, 1500, 1500, 1500, 1500, 1500, 1500, 1500, 1500, 1500, 0};
constexpr int kDepartmentWidths[SearchResultModel::kColumns] = {
    0, 1400, 0, 0, 0, 0, 1500, 2500, 1500, 5500, 0, 0, 0, 0, 0, 0, 0};

bool isEnterKey(QEvent* e) {
    if (e->type() != QEvent::KeyPress) return false;
    const int k = static_cast<QKeyEvent*>(e)->key();
    return k == Qt::Key_Return || k == Qt::Key_Enter;
}

QString mmddyyyy(const QDate& d) { return d.toString(QStringLiteral("MM/dd/yyyy")); }

} // namespace

OpenRecordWindow::OpenRecordWindow(viewer::MainWindow& main)
    : QWidget(&main, Qt::Window), main_(main) {
    setObjectName("frmOpen");
    setWindowTitle("Open Record");
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    resize(twipsX(12400), twipsY(8200));
    Form_Load();
}

OpenRecordWindow::~OpenRecordWindow() = default;

int OpenRecordWindow::twipsX(int twips) const {
    return qRound(twips / main_.twipsPerPixelX());
}
int OpenRecordWindow::twipsY(int twips) const {
    return qRound(twips / main_.twipsPerPixelY());
}

void OpenRecordWindow::buildControls() {
    auto place = [this](QWidget* w, int x, int y, int width, int height = kRowHeight) {
        w->setGeometry(twipsX(x), twipsY(y), twipsX(width), twipsY(height));
    };
    auto label = [&](QWidget* parent, const QString& name, const QString& text, QWidget* buddy,
                     int x, int y, int width) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(name);
        if (buddy) l->setBuddy(buddy);
        place(l, x, y, width);
        return l;
    };
    auto edit = [&](QWidget* parent, const QString& name, int x, int y, int width) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(name);
        place(e, x, y, width);
        return e;
    };

    // Row 1: ID, record type, description.
    txtAdmNo = edit(this, "txtAdmNo", 1100, 120, 1500);
    lblAdmNo = label(this, "lblAdmNo", "&ID No.: ", txtAdmNo, 200, 120, 900);
    cboScanType = new QComboBox(this);
    cboScanType->setObjectName("cboScanType");
    place(cboScanType, 3900, 120, 2700);
    label(this, "lblScanType", "&Record Type", cboScanType, 2800, 120, 1100);
    txtDesc = edit(this, "txtDesc", 7800, 120, 3200);
    label(this, "lblDesc", "&Description", txtDesc, 6750, 120, 1050);

    // Row 2: dates, order, buttons.
    txtScandate = edit(this, "txtScandate", 1100, 600, 1500);
    label(this, "lblScandate", "R&ec Date", txtScandate, 200, 600, 900);
    txtDateUpdated = edit(this, "txtDateUpdated", 3900, 600, 1700);
    label(this, "lblDateUpdated", "Scan Date", txtDateUpdated, 2800, 600, 1100);
    cmdScanToday = new QPushButton("today", this);
    cmdScanToday->setObjectName("cmdScanToday");
    place(cmdScanToday, 5650, 600, 950);
    chkBydate = new QCheckBox("Order by date", this);
    chkBydate->setObjectName("chkBydate");
    place(chkBydate, 6750, 600, 1800);
    btnSearch = new QPushButton("&Search", this);
    btnSearch->setObjectName("btnSearch");
    btnSearch->setDefault(false);
    btnSearch->setAutoDefault(false);
    place(btnSearch, 8700, 560, 1100, 400);
    btnCancel = new QPushButton("&Cancel", this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setAutoDefault(false);
    place(btnCancel, 9900, 560, 1100, 400);

    // Patient criteria.
    fraPat = new QGroupBox("Patient", this);
    fraPat->setObjectName("fraPat");
    place(fraPat, 200, 1040, 10800, 1250);
    txtPatName = edit(fraPat, "txtPatName", 1850, 330, 2700);
    label(fraPat, "lblPatName", "&Name  (last, first)", txtPatName, 150, 330, 1700);
    txtHospNum = edit(fraPat, "txtHospNum", 5350, 330, 1400);
    label(fraPat, "lblHospNum", "Hosp.#", txtHospNum, 4700, 330, 650);
    txtAdmDate = edit(fraPat, "txtAdmDate", 7850, 330, 1400);
    label(fraPat, "lblAdmDate", "Adm &Date", txtAdmDate, 6950, 330, 900);
    chkIncludeOutPatient = new QCheckBox("Include Out-patient records", fraPat);
    chkIncludeOutPatient->setObjectName("chkIncludeOutPatient");
    place(chkIncludeOutPatient, 1850, 780, 4000);

    // The grid.
    model_ = new SearchResultModel(this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setSortRole(SearchResultModel::SortRole);
    fgridOpenRec = new QTableView(this);
    fgridOpenRec->setObjectName("fgridOpenRec");
    fgridOpenRec->setModel(proxy_);
    fgridOpenRec->setSelectionBehavior(QAbstractItemView::SelectRows);
    fgridOpenRec->setSelectionMode(QAbstractItemView::SingleSelection);
    fgridOpenRec->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fgridOpenRec->setAlternatingRowColors(true);
    fgridOpenRec->verticalHeader()->setDefaultSectionSize(twipsY(270));
    fgridOpenRec->verticalHeader()->hide();
    fgridOpenRec->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    fgridOpenRec->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    fgridOpenRec->setSortingEnabled(true);
    fgridOpenRec->setWordWrap(false);

    lblFound = new QLabel(this);
    lblFound->setObjectName("lblFound");
    lblMaintenance = new QLabel("<a href=\"#\">Maintenance</a>", this);
    lblMaintenance->setObjectName("lblMaintenance");
    lblMaintenance->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    lblMaintenance->setCursor(Qt::PointingHandCursor);

    connect(btnSearch, &QPushButton::clicked, this, [this] { btnSearch_Click(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { close(); });
    connect(cmdScanToday, &QPushButton::clicked, this, [this] { cmdScanToday_Click(); });
    connect(lblMaintenance, &QLabel::linkActivated, this, [this] { lblMaintenance_Click(); });
    connect(fgridOpenRec, &QTableView::doubleClicked, this, [this] { fgridOpenRec_DblClick(); });
    txtAdmNo->installEventFilter(this);
    txtAdmDate->installEventFilter(this);
    fgridOpenRec->installEventFilter(this);
}

void OpenRecordWindow::Form_Load() {
    app::Session& s = main_.session();
    layoutGrid();
    app::Steps steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter);
    steps([&] {
        cboScanType->addItem("ALL", 0);
        auto rs = app::recordsConnection(s).open(
            records::selectSearchRecordTypes(s.gstrDepartmentID), db::kClientReadOnly);
        for (; rs->isOpen() && !rs->eof(); rs->moveNext())
            cboScanType->addItem(rs->text("rectype_name"), rs->value("rectype_id").toInt());
        cboScanType->setCurrentIndex(0);
        rs->close();
    });
    if (!s.gblnAdmin) lblMaintenance->hide();
}

void OpenRecordWindow::setRecMode(int mode) {
    if (mode != 0 && mode != 1) return;
    recMode_ = mode;
    gridTop_ = mode == 1 ? 2400 : 1440;
    fraPat->setVisible(mode == 1);
    layoutGrid();
    placeGrid();
}

void OpenRecordWindow::layoutGrid() {
    const int* widths = fraPat->isHidden() ? kDepartmentWidths : kPatientWidths;
    for (int c = 0; c < SearchResultModel::kColumns; ++c) {
        fgridOpenRec->setColumnHidden(c, widths[c] == 0);
        if (widths[c] > 0) fgridOpenRec->setColumnWidth(c, twipsX(widths[c]));
    }
}

void OpenRecordWindow::placeGrid() {
    const int top = twipsY(gridTop_);
    const int w = std::max(0, width() - twipsX(400));
    const int h = std::max(0, height() - top - twipsY(800));
    fgridOpenRec->setGeometry(twipsX(200), top, w, h);
    const int below = top + h + twipsY(120);
    lblFound->setGeometry(twipsX(200), below, std::max(0, w - twipsX(1600)), twipsY(kRowHeight));
    lblMaintenance->setGeometry(twipsX(200) + std::max(0, w - twipsX(1300)), below, twipsX(1300),
                                twipsY(kRowHeight));
}

void OpenRecordWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeGrid();
}

bool OpenRecordWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtAdmNo && isEnterKey(event)) {
        if (btnSearch->isEnabled()) btnSearch_Click();
        return true;
    }
    if (watched == txtAdmDate) {
        if (isEnterKey(event)) {
            btnSearch_Click();
            return true;
        }
        if (event->type() == QEvent::FocusOut) txtAdmDate_LostFocus();
    }
    if (watched == fgridOpenRec && isEnterKey(event)) {
        fgridOpenRec_DblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void OpenRecordWindow::txtAdmDate_LostFocus() {
    if (txtAdmDate->text().isEmpty()) return;
    const QDate d = storage::parseRecordDate(txtAdmDate->text());
    if (d.isValid())
        txtAdmDate->setText(mmddyyyy(d));
    else
        main_.session().svc.prompter->msgBox("Invalid Date.");
}

void OpenRecordWindow::cmdScanToday_Click() {
    txtDateUpdated->setText(mmddyyyy(main_.session().svc.clock->now().date()));
}

records::RecordSearchCriteria OpenRecordWindow::readCriteria() {
    app::Session& s = main_.session();
    // A date box holding a date is rewritten "mm/dd/yyyy", the form the statement compares.
    auto dateBox = [](QLineEdit* box) -> std::optional<QString> {
        if (box->text().trimmed().isEmpty()) return std::nullopt;
        const QDate d = storage::parseRecordDate(box->text());
        if (!d.isValid()) return std::nullopt;
        box->setText(mmddyyyy(d));
        return box->text();
    };
    records::RecordSearchCriteria c;
    c.patientMode = !fraPat->isHidden();
    c.departmentId = s.gstrDepartmentID;
    if (c.patientMode) {
        if (!txtPatName->text().isEmpty()) {
            QString name = txtPatName->text().trimmed();
            const QString last = app::GetToken(name, ",");
            c.lastName = last.trimmed();
            c.firstName = name.trimmed();
        }
        // Also when Enter sends it before leaving the box has rewritten it.
        c.admissionDate = dateBox(txtAdmDate);
        if (!txtHospNum->text().isEmpty()) c.hospitalNumber = txtHospNum->text();
        c.includeOutPatients = chkIncludeOutPatient->isChecked();
    }
    if (!txtAdmNo->text().isEmpty()) c.admissionId = txtAdmNo->text().trimmed();
    if (!txtDesc->text().isEmpty()) c.description = txtDesc->text();
    c.recordTypeId = cboScanType->currentData().toInt();
    c.recordDate = dateBox(txtScandate);
    c.scanDate = dateBox(txtDateUpdated);
    c.orderByDate = chkBydate->isChecked();
    return c;
}

namespace {

// A search in the access history: the criteria typed and the rows found. It names the
// patient (hospital number) and the ID typed, or the one every row found is of.
void recordSearchHistory(const app::Session& s, const records::RecordSearchCriteria& c,
                         const SearchResultModel& found) {
    QStringList criteria;
    auto add = [&](const char* name, const std::optional<QString>& v) {
        if (v) criteria << QString("%1 = %2").arg(name, *v);
    };
    add("ID", c.admissionId);
    add("Hosp.#", c.hospitalNumber);
    if (c.lastName) criteria << "Name = " + *c.lastName + (c.firstName.isEmpty() ? "" : ", " + c.firstName);
    add("Adm. date", c.admissionDate);
    add("Description", c.description);
    if (c.recordTypeId != 0) criteria << QString("Record type = %1").arg(c.recordTypeId);
    add("Record date", c.recordDate);
    add("Scan date", c.scanDate);
    if (c.includeOutPatients) criteria << "with out-patients";
    const int n = found.recordCount();
    auto same = [&](int column) {
        QString one = n > 0 ? found.row(0).value(column) : QString();
        for (int i = 1; i < n; ++i)
            if (found.row(i).value(column) != one) return QString();
        return one;
    };
    history::Event e;
    e.action = history::Action::RecordSearch;
    e.admissionId = c.admissionId.value_or(same(1));
    e.hospitalNumber = c.hospitalNumber.value_or(same(10));
    e.details = criteria.join("; ") + QString(" (%1 found)").arg(n);
    s.recordHistory(e);
}

} // namespace

void OpenRecordWindow::btnSearch_Click() {
    if (running_) return;
    app::Session& s = main_.session();
    if (!txtAdmDate->text().isEmpty() && !storage::isDateText(txtAdmDate->text())) {
        s.svc.prompter->msgBox("Invalid Date.");
        return;
    }
    searched_ = readCriteria();
    const QString statement = records::recordSearch(searched_);
    model_->clear();
    lblFound->setText("Searching...");
    if (main_.ui().mTraceMode && main_.ui().mTraceMode->isChecked()) s.WriteLog(statement);

    // The work sees only what it captured: the component (kept alive while it runs) and the
    // statement text; the rows come back in `result`.
    std::shared_ptr<app::CurrentUser> user = s.gobjCurrentUser;
    auto result = std::make_shared<db::RecordsetPtr>();
    auto* job = new jobs::Job(
        "Searching records",
        [user, statement, result](jobs::Progress& p) {
            p.setText("Searching records");
            if (!user) throw db::Error(-1, "Not connected.", statement);
            db::RecordsetPtr rs;
            user->OpenRec(rs, statement);
            p.checkCancel();
            *result = std::move(rs);
        });
    job->setCancellable(true);
    running_ = true;
    btnSearch->setEnabled(false);
    setCursor(Qt::BusyCursor);
    QPointer<OpenRecordWindow> self(this);
    const bool started = main_.jobs().start(
        job, viewer::JobHost::Scope::Background,
        [self, result, statement](const jobs::Result& r) {
            if (!self) return;
            self->showResult(result->get(), statement, r.failed() ? r.errorText : QString(),
                             r.cancelled());
        });
    if (!started) showResult(nullptr, statement, "The search could not be started", false);
}

void OpenRecordWindow::showResult(const db::Recordset* rs, const QString& statement,
                                  const QString& error, bool cancelled) {
    app::Session& s = main_.session();
    running_ = false;
    btnSearch->setEnabled(true);
    unsetCursor();
    fgridOpenRec->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    proxy_->sort(-1);
    if (cancelled) {
        lblFound->setText("The search was cancelled.");
    } else if (!error.isEmpty()) {
        lblFound->clear();
        s.svc.prompter->msgBox(error + ".  CurrentUser.dll may need to be updated.");
        s.WriteLog(statement);
    } else if (!rs || rs->recordCount() == 0) {
        model_->setEmptyRow();
        fgridOpenRec->setEnabled(false);
        lblFound->setText("No records found.");
    } else {
        model_->setRows(*rs);
        fgridOpenRec->setEnabled(true);
        fgridOpenRec->setFocus();
        fgridOpenRec->selectRow(0);
        const int n = model_->recordCount();
        const bool twoLists = !fraPat->isHidden() && chkIncludeOutPatient->isChecked();
        QString text = n == 1 ? QStringLiteral("1 record found.")
                              : QStringLiteral("%1 records found.").arg(n);
        if (!twoLists && n >= kSearchLimit)
            text += QStringLiteral(" Only the first %1 are listed: narrow the search to see the "
                                   "others.")
                        .arg(kSearchLimit);
        else if (twoLists && n >= kSearchLimit)
            text += QStringLiteral(" In-patient and out-patient records are listed up to %1 "
                                   "each, so some may be missing: narrow the search to see them.")
                        .arg(kSearchLimit);
        lblFound->setText(text);
    }
    if (!cancelled && error.isEmpty()) recordSearchHistory(s, searched_, *model_);
    layoutGrid();
    emit searchFinished();
}

QStringList OpenRecordWindow::currentRow() const {
    const QModelIndex current = fgridOpenRec->currentIndex();
    if (!current.isValid() || !model_->hasRecords()) return {};
    return model_->row(proxy_->mapToSource(current).row());
}

void OpenRecordWindow::fgridOpenRec_DblClick() {
    const QStringList row = currentRow();
    if (row.isEmpty() || running_) return;
    fgridOpenRec->setEnabled(false);
    setCursor(Qt::WaitCursor);
    const bool attempted = openRecord(main_, row);
    fgridOpenRec->setEnabled(true);
    unsetCursor();
    if (attempted) hide();
}

void OpenRecordWindow::lblMaintenance_Click() {
    if (main_.openRecordMaintenance) main_.openRecordMaintenance(this, currentRow().value(0));
}

} // namespace retrieval
