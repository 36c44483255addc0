// The record search window on the embedded demo database: modes, criteria, sorting, limits,
// keys and failures.
#include "RetrievalFixture.h"

#include "app/Log.h"
#include "retrieval/SearchResultModel.h"
#include "retrieval/Workflow.h"
#include "viewer/SessionCommands.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QElapsedTimer>
#include <atomic>
#include <chrono>
#include <thread>
#include "viewer/JobHost.h"

using namespace retrievaltest;

namespace {
class SearchWindow : public RetrievalFixture {};

bool sortedCaseInsensitive(const QStringList& l) {
    for (int i = 1; i < l.size(); ++i)
        if (l[i - 1].compare(l[i], Qt::CaseInsensitive) > 0) return false;
    return true;
}
} // namespace

TEST_F(SearchWindow, ModeFollowsTheDepartmentWithItsColumnsTypesAndMaintenanceLabel) {
    load(true, "MEDICAL RECORDS");
    auto& f = openSearch();
    EXPECT_EQ(f.objectName(), "frmOpen");
    EXPECT_EQ(f.windowTitle(), "Open Record");
    EXPECT_EQ(f.recMode(), 1);
    EXPECT_FALSE(f.fraPat->isHidden());
    EXPECT_TRUE(f.fgridOpenRec->isColumnHidden(0));
    EXPECT_TRUE(f.fgridOpenRec->isColumnHidden(6));
    EXPECT_FALSE(f.fgridOpenRec->isColumnHidden(10));
    EXPECT_TRUE(f.fgridOpenRec->isColumnHidden(16));
    EXPECT_EQ(f.fgridOpenRec->model()->headerData(7, Qt::Horizontal).toString(),
              "Date Scanned/Updated");
    EXPECT_FALSE(f.lblMaintenance->isHidden());
    // Medical records types only: those whose department is '' or NULL, by name.
    QStringList types;
    for (int i = 0; i < f.cboScanType->count(); ++i) types << f.cboScanType->itemText(i);
    EXPECT_EQ(types, (QStringList{"ALL", "ADMISSION RECORD", "CONSENT FORMS", "DISCHARGE SUMMARY",
                                  "LABORATORY RESULTS", "OPERATIVE REPORT", "RADIOLOGY REPORT"}));
    EXPECT_EQ(f.cboScanType->itemData(0).toInt(), 0);
    // A type with a NULL department filters the search like any other.
    f.cboScanType->setCurrentIndex(f.cboScanType->findText("ADMISSION RECORD"));
    EXPECT_EQ(f.cboScanType->currentData().toInt(), 1);
    f.txtAdmNo->setText("250123");
    search(f);
    EXPECT_EQ(column(f, 3), QStringList{"\\2025\\2025-03-14\\250123-1.tif"});
    f.cboScanType->setCurrentIndex(0);
    f.txtAdmNo->clear();
    // The grid: left 200, top 2400 twips; 400 narrower and 2400 + 800 shorter than the window.
    const double tx = w->twipsPerPixelX(), ty = w->twipsPerPixelY();
    EXPECT_NEAR(f.fgridOpenRec->y() * ty, 2400, 20);
    EXPECT_NEAR((f.width() - f.fgridOpenRec->width()) * tx, 400, 20);
    EXPECT_NEAR((f.height() - f.fgridOpenRec->height() - f.fgridOpenRec->y()) * ty, 800, 20);

    // Opening again selects the ID box's text.
    f.txtAdmNo->setText("250123");
    w->ui().mnuFileOpenRec->trigger();
    EXPECT_EQ(f.txtAdmNo->selectedText(), "250123");

    // Another department unloads the window; the next opening builds it for HRD.
    w->ui().cboDept->setCurrentIndex(w->ui().cboDept->findText("HUMAN RESOURCES"));
    w->sessionCommands().cboDept_Click();
    QApplication::processEvents();
    EXPECT_EQ(retrieval::searchWindow(*w), nullptr);
    auto& g = openSearch();
    EXPECT_EQ(g.recMode(), 0);
    EXPECT_TRUE(g.fraPat->isHidden());
    EXPECT_NEAR(g.fgridOpenRec->y() * ty, 1440, 20);
    EXPECT_FALSE(g.fgridOpenRec->isColumnHidden(6));
    EXPECT_TRUE(g.fgridOpenRec->isColumnHidden(10));
    EXPECT_EQ(g.cboScanType->count(), 4); // ALL and the three HRD types
}

TEST_F(SearchWindow, MaintenanceLabelHiddenForOthersThanAdministrators) {
    load(false);
    EXPECT_TRUE(openSearch().lblMaintenance->isHidden());
}

TEST_F(SearchWindow, NoCriteriaListsAtMostTwoHundredPerBranchSortedAsChosen) {
    load();
    auto& f = openSearch();
    search(f);
    EXPECT_EQ(f.results().recordCount(), 200);
    EXPECT_TRUE(f.fgridOpenRec->isEnabled());
    EXPECT_TRUE(sortedCaseInsensitive(column(f, 11)));
    EXPECT_TRUE(f.lblFound->text().contains("200 records found")) << f.lblFound->text().toStdString();
    EXPECT_TRUE(f.lblFound->text().contains("narrow")) << f.lblFound->text().toStdString();
    const QString last = t.db->statements.back();
    EXPECT_TRUE(last.contains(" WHERE 1=1  AND (RT.DepartmentID IS NULL OR RT.DepartmentID='') "
                              " ORDER BY Lastname"))
        << last.toStdString();

    f.chkIncludeOutPatient->setChecked(true);
    f.chkBydate->setChecked(true);
    search(f);
    const int n = f.results().recordCount();
    EXPECT_GT(n, 200);
    EXPECT_LE(n, 400);
    // Ordered by admission date, newest first (column 16, hidden).
    auto admitted = [&](int r) {
        return QDateTime::fromString(f.results().row(r)[16], "MM/dd/yyyy hh:mm:ss");
    };
    for (int r = 1; r < n; ++r) EXPECT_GE(admitted(r - 1), admitted(r)) << r;

    // Sorting by a heading sorts the rows shown, dates as dates.
    f.fgridOpenRec->sortByColumn(14, Qt::AscendingOrder);
    auto* m = f.fgridOpenRec->model();
    for (int r = 1; r < m->rowCount(); ++r) {
        const QDate a = QDate::fromString(m->index(r - 1, 14).data().toString(), "MM/dd/yyyy");
        const QDate b = QDate::fromString(m->index(r, 14).data().toString(), "MM/dd/yyyy");
        EXPECT_LE(a, b) << r;
    }
}

TEST_F(SearchWindow, DepartmentModeListsOnlyTheDepartmentsTypesWithoutPatientColumns) {
    load(true, "HUMAN RESOURCES");
    auto& f = openSearch();
    search(f);
    const int n = f.results().recordCount();
    EXPECT_GT(n, 100);
    EXPECT_LE(n, 200);
    for (int r = 0; r < n; ++r) {
        EXPECT_TRUE(QStringList({"7", "8", "9"}).contains(f.results().row(r)[2]));
        EXPECT_TRUE(f.results().row(r)[10].isEmpty());
    }
    // Sorted by record type, highest first.
    for (int r = 1; r < n; ++r)
        EXPECT_GE(f.results().row(r - 1)[2].toInt(), f.results().row(r)[2].toInt());
    // A file whose record type row is missing is never listed here.
    f.txtAdmNo->setText("250301");
    search(f);
    EXPECT_EQ(f.results().recordCount(), 0);
}

TEST_F(SearchWindow, EachCriterionFindsItsRowsAndQuotesAreSafe) {
    load();
    auto& f = openSearch();
    auto all = [&](int col, const QString& v) {
        const QStringList c = column(f, col);
        return !c.isEmpty() && std::all_of(c.begin(), c.end(), [&](const QString& x) {
            return x.compare(v, Qt::CaseInsensitive) == 0;
        });
    };
    // ID, with blanks around it; the file under a removed record type is listed.
    f.txtAdmNo->setText("  250301 ");
    search(f);
    EXPECT_TRUE(all(1, "250301"));
    EXPECT_TRUE(column(f, 2).contains("12"));
    f.txtAdmNo->clear();

    // Name with an apostrophe: last name, then last and first name prefixes.
    f.txtPatName->setText("o'brien");
    search(f);
    EXPECT_TRUE(all(11, "O'Brien"));
    f.txtPatName->setText(" O'Brien , pat ");
    search(f);
    EXPECT_TRUE(all(12, "Patrick"));
    f.txtPatName->clear();

    // Description contains an apostrophe.
    f.txtDesc->setText("- O'Brien");
    search(f);
    EXPECT_TRUE(column(f, 9).contains("Appendectomy - O'Brien"));
    f.txtDesc->clear();

    // Hospital number and record type.
    f.txtHospNum->setText("100101");
    f.cboScanType->setCurrentIndex(f.cboScanType->findText("DISCHARGE SUMMARY"));
    search(f);
    EXPECT_TRUE(all(10, "100101"));
    EXPECT_TRUE(all(2, "2"));
    f.txtHospNum->clear();
    f.cboScanType->setCurrentIndex(0);

    // A record date with one-digit month and day is rewritten and matched.
    f.txtScandate->setText("3/14/2025");
    search(f);
    EXPECT_EQ(f.txtScandate->text(), "03/14/2025");
    EXPECT_TRUE(all(6, "03/14/2025"));
    EXPECT_TRUE(t.db->statements.back().contains("RF.date_created,101) = '03/14/2025'"));
    // A record date that is no date adds nothing and says nothing.
    f.txtScandate->setText("soon");
    search(f);
    EXPECT_FALSE(t.db->statements.back().contains("date_created,101) ="));
    EXPECT_TRUE(messages().isEmpty());
    f.txtScandate->clear();

    // "today" fills the scan date from the clock (25 November 2008: nothing was scanned then).
    f.cmdScanToday->click();
    EXPECT_EQ(f.txtDateUpdated->text(), "11/25/2008");
    search(f);
    EXPECT_EQ(f.results().recordCount(), 0);
    EXPECT_FALSE(f.fgridOpenRec->isEnabled());
    EXPECT_EQ(f.fgridOpenRec->model()->rowCount(), 1);
    EXPECT_EQ(f.lblFound->text(), "No records found.");
    f.txtDateUpdated->clear();
}

TEST_F(SearchWindow, AdmissionDateIsCheckedAndRewrittenOnLeavingAndOnEnter) {
    load();
    auto& f = openSearch();
    const size_t before = t.db->statements.size();
    f.txtAdmDate->setText("13/45/2025");
    f.btnSearch_Click();
    EXPECT_EQ(messages(), QStringList{"Invalid Date."});
    EXPECT_EQ(t.db->statements.size(), before);

    // Enter while the focus is still in the box: the date goes out in two-digit form, as the
    // column is compared, and finds the admission.
    f.activateWindow();
    f.txtAdmDate->setFocus();
    f.txtAdmDate->setText("3/14/2025");
    QSignalSpy done(&f, &retrieval::OpenRecordWindow::searchFinished);
    QTest::keyClick(f.txtAdmDate, Qt::Key_Return);
    ASSERT_TRUE(done.wait(20000));
    EXPECT_TRUE(t.db->statements.back().contains("Pat.AdmDate,101) = '03/14/2025'"))
        << t.db->statements.back().toStdString();
    EXPECT_EQ(f.txtAdmDate->text(), "03/14/2025");
    EXPECT_GT(f.results().recordCount(), 0);
    for (const QString& d : column(f, 14)) EXPECT_EQ(d, "03/14/2025");

    // Leaving the box rewrites it as well.
    f.txtAdmDate->setText("3/14/2025");
    QEvent out(QEvent::FocusOut);
    QApplication::sendEvent(f.txtAdmDate, &out);
    EXPECT_EQ(f.txtAdmDate->text(), "03/14/2025");
}

TEST_F(SearchWindow, PercentUnderscoreAndBracketTypedAreMatchedAsThemselves) {
    load();
    addRecord("250123", "\\2025\\2025-03-14\\250123-14.tif", 4, "Result 100% normal", "2025-03-14");
    addRecord("250123", "\\2025\\2025-03-14\\250123-15.tif", 5, "lab_panel", "2025-03-14");
    addRecord("250123", "\\2025\\2025-03-14\\250123-16.tif", 2, "[draft] notes", "2025-03-14");
    auto& f = openSearch();
    struct Case {
        QLineEdit* box;
        QString typed;
        QStringList descriptions; // found among ID 250123's records, sorted
    };
    const Case cases[] = {
        {f.txtDesc, "%", {"Result 100% normal"}},
        {f.txtDesc, "0%", {"Result 100% normal"}},
        {f.txtDesc, "_", {"Lab_results batch", "lab_panel"}},
        {f.txtDesc, "b_p", {"lab_panel"}},
        {f.txtDesc, "[", {"[draft] notes"}},
        {f.txtDesc, "[d", {"[draft] notes"}},
        {f.txtDesc, "[a-z]", {}},
        {f.txtPatName, "%", {}},
        {f.txtPatName, "_arcia", {}},
        {f.txtPatName, "[G]arcia", {}},
        {f.txtPatName, "Garcia, _", {}},
    };
    for (const Case& c : cases) {
        f.txtDesc->clear();
        f.txtPatName->clear();
        f.txtAdmNo->setText("250123");
        c.box->setText(c.typed);
        search(f);
        QStringList found = column(f, 9);
        found.sort();
        EXPECT_EQ(found, c.descriptions) << c.box->objectName().toStdString() << " "
                                         << c.typed.toStdString();
    }
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(SearchWindow, OutPatientsOnlyWhenIncluded) {
    load();
    auto& f = openSearch();
    f.txtAdmNo->setText("31245B");
    search(f);
    EXPECT_EQ(f.results().recordCount(), 0);
    f.chkIncludeOutPatient->setChecked(true);
    search(f);
    ASSERT_GT(f.results().recordCount(), 0);
    EXPECT_FALSE(f.results().row(0)[10].isEmpty()); // patient columns from the visit
}

TEST_F(SearchWindow, EnterKeysTraceAndFailures) {
    load();
    auto& f = openSearch();
    // Enter in the ID box searches, unless Search is disabled.
    f.txtAdmNo->setText("250123");
    f.btnSearch->setEnabled(false);
    const size_t before = t.db->statements.size();
    QTest::keyClick(f.txtAdmNo, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(t.db->statements.size(), before);
    f.btnSearch->setEnabled(true);
    w->ui().mTraceMode->setChecked(true);
    QSignalSpy done(&f, &retrieval::OpenRecordWindow::searchFinished);
    QTest::keyClick(f.txtAdmNo, Qt::Key_Return);
    ASSERT_TRUE(done.wait(20000));
    EXPECT_EQ(t.log.lines.back(), t.db->statements.back());
    EXPECT_GT(f.results().recordCount(), 0);

    // A failing statement: its description with the component hint, and the statement logged.
    t.db->failWhen = [](const QString& s) { return s.startsWith("SELECT TOP 200"); };
    search(f);
    ASSERT_FALSE(messages().isEmpty());
    EXPECT_EQ(messages().back(), "Scripted failure.  CurrentUser.dll may need to be updated.");
    EXPECT_EQ(t.log.lines.back(), t.db->statements.back());
    EXPECT_EQ(f.results().rowCount(), 0);
    EXPECT_TRUE(f.btnSearch->isEnabled());
}

TEST_F(SearchWindow, MaintenanceLabelOpensTheDialogForTheSelectedRow) {
    load();
    auto& f = openSearch();
    f.txtAdmNo->setText("250123");
    search(f);
    ASSERT_TRUE(selectRow(f, "250123", "\\2025\\2025-03-14\\250123-2.tif"));
    QString shownId;
    whileDialog = [&](QDialog& d) { shownId = d.findChild<QLineEdit*>("txtRecFileID")->text(); };
    emit f.lblMaintenance->linkActivated("#");
    EXPECT_EQ(dialogsRun, std::vector<QString>{"frmMaintenance"});
    EXPECT_EQ(shownId, "2");
}

TEST_F(SearchWindow, ASlowServerLeavesTheWindowWorkingAndASecondSearchIsRefused) {
    load();
    auto& f = openSearch();
    std::atomic<bool> release{false};
    std::atomic<int> searches{0};
    t.db->failWhen = [&](const QString& s) {
        if (s.startsWith("SELECT TOP 200")) {
            ++searches;
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    };
    QSignalSpy done(&f, &retrieval::OpenRecordWindow::searchFinished);
    f.txtAdmNo->setText("250123");
    f.btnSearch_Click();
    EXPECT_TRUE(f.searchRunning());
    EXPECT_FALSE(f.btnSearch->isEnabled());
    EXPECT_TRUE(w->jobs().anyRunning());
    // The window thread goes on handling events while the server is silent.
    bool ticked = false;
    QTimer::singleShot(20, &f, [&] { ticked = true; });
    QElapsedTimer clock;
    clock.start();
    while (!ticked && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_TRUE(ticked);
    EXPECT_EQ(w->jobs().label()->text().contains("Searching"), true);
    f.btnSearch_Click(); // refused while the first one runs
    release = true;
    ASSERT_TRUE(done.wait(20000));
    EXPECT_EQ(searches.load(), 1);
    EXPECT_GT(f.results().recordCount(), 0);
    EXPECT_TRUE(f.btnSearch->isEnabled());
}
