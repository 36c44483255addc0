// The scanning accomplishment report through its windows, on the embedded demo database with
// its filed records: the Reports menu, the window's load, searches over chosen ranges, Esc,
// and Print: the report's preview, printed and saved as PDF and read back, and the failures
// Print shows.
#include "PdfText.h"
#include "doubles/ScannerFake.h"
#include "doubles/ScriptedDialogs.h"
#include "doubles/TestSession.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/controls/Print.h"
#include "reports/ReportPreviewWindow.h"
#include "reports/ScanReportWindow.h"
#include "reports/Workflow.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/SessionCommands.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

using reports::ReportPreviewWindow;
using reports::ScanReportWindow;
using reportstest::pdfColumns;
using reportstest::pdfText;

namespace {

class ScanReport : public ::testing::Test {
protected:
    void SetUp() override {
        t.useDemoDatabase(true);
        t.signIn();
        // The report definition beside the program, as the build places it.
        QDir().mkpath(t.s().svc.programFolder);
        ASSERT_TRUE(QFile::copy(QCoreApplication::applicationDirPath() + "/ScanReport.rpt",
                                definition()));
        // Files of the clock's yesterday (11/24/2008) and today, and of the days around them.
        for (const auto& [employee, when] :
             std::vector<std::pair<QString, QString>>{{"2001", "2008-11-24 08:00:00.000"},
                                                      {"2001", "2008-11-24 17:30:00.000"},
                                                      {"2001", "2008-11-25 00:00:00.000"},
                                                      {"1001", "2008-11-25 23:59:59.997"},
                                                      {"1001", "2008-11-23 23:59:59.000"},
                                                      {"3001", "2008-11-26 00:00:00.000"}})
            t.demo->execute("INSERT INTO dbRecords..tblRecFiles (admission_id, file_name, "
                            "rectype_id, EmployeeID, date_created, date_updated) VALUES ('081124', "
                            "'\\2008\\2008-11-24\\081124-1.tif', 1, '" + employee + "', '" +
                            when.left(10) + "', '" + when + "')");
        pdf = std::make_shared<imaging::PdfPrinterProvider>(t.dir.file("printed.pdf"));
    }
    void TearDown() override {
        w.reset();
        QApplication::processEvents();
    }

    QString definition() { return t.s().svc.programFolder + "/ScanReport.rpt"; }

    void load() {
        t.s().gblnAdmin = true;
        viewer::MainWindowOptions options;
        options.imaging.scanner = std::make_shared<doubles::FakeScanner>();
        options.imaging.printer = pdf;
        w = std::make_unique<viewer::MainWindow>(t.s(), options);
        reports::install(*w);
        w->Form_Load();
        QComboBox* cbo = w->ui().cboDept;
        cbo->setCurrentIndex(cbo->findText("MEDICAL RECORDS"));
        w->sessionCommands().cboDept_Click();
        t.prompter.shown.clear();
    }

    ScanReportWindow& open() {
        w->ui().mScanningAcc->trigger();
        ScanReportWindow* f = reports::scanReportWindow(*w);
        if (!f) throw std::runtime_error("the report window did not open");
        return *f;
    }

    void search(ScanReportWindow& f, QDate from = {}, QDate to = {}) {
        if (from.isValid()) f.DTPicker1[0]->setDate(from);
        if (to.isValid()) f.DTPicker1[1]->setDate(to);
        QSignalSpy done(&f, &ScanReportWindow::searchFinished);
        f.cmdSearch->click();
        ASSERT_TRUE(done.count() > 0 || done.wait(20000));
    }

    // The grid's rows, columns joined by "|".
    static QStringList rows(const ScanReportWindow& f) {
        QStringList out;
        for (int r = 0; r < f.fgridScanReport->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < f.fgridScanReport->columnCount(); ++c) {
                const QTableWidgetItem* i = f.fgridScanReport->item(r, c);
                cells << (i ? i->text() : QString());
            }
            out << cells.join('|');
        }
        return out;
    }

    // Print, until the preview is open (null when Print ended without one).
    ReportPreviewWindow* print(ScanReportWindow& f) {
        QSignalSpy opened(&f, &ScanReportWindow::previewOpened);
        f.cmdPrint->click();
        const bool ended =
            QTest::qWaitFor([&] { return opened.count() > 0 || !w->jobs().anyRunning(); }, 20000);
        EXPECT_TRUE(ended);
        QApplication::processEvents();
        return opened.isEmpty() ? nullptr : opened.front().front().value<ReportPreviewWindow*>();
    }

    std::vector<ReportPreviewWindow*> previews() const {
        std::vector<ReportPreviewWindow*> out;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<ReportPreviewWindow*>(top); p && p->isVisible()) out.push_back(p);
        return out;
    }

    // Documents per employee from tblRecFiles, counted with a query of its own: rows whose
    // date_updated falls on a day from..to.
    std::map<QString, int> countedPerEmployee(QDate from, QDate to) {
        db::RecordsetPtr rs = t.demo->open(
            "SELECT EmployeeID, COUNT(*) AS n FROM dbRecords..tblRecFiles WHERE date_updated >= '" +
            from.toString("yyyy-MM-dd") + "' AND date_updated < '" + to.addDays(1).toString("yyyy-MM-dd") +
            "' GROUP BY EmployeeID");
        std::map<QString, int> out;
        for (; !rs->eof(); rs->moveNext()) out[rs->text("EmployeeID")] = rs->value("n").toInt();
        return out;
    }

    doubles::TestSession t;
    std::unique_ptr<viewer::MainWindow> w;
    std::shared_ptr<imaging::PdfPrinterProvider> pdf;
};

} // namespace

TEST_F(ScanReport, TheReportsMenuOpensOneModelessWindowWithYesterdayAndTodayAndItsGrid) {
    // A user whose rights forbid changes may still read the report.
    t.user->rights = "BV";
    load();
    ScanReportWindow& f = open();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.objectName(), "frmScanReport");
    EXPECT_EQ(f.windowTitle(), "Scanning Accomplishment Report");
    EXPECT_TRUE(t.prompter.shown.empty());
    EXPECT_EQ(f.DTPicker1[0]->objectName(), "DTPicker1_0");
    EXPECT_EQ(f.DTPicker1[0]->date(), QDate(2008, 11, 24));
    EXPECT_EQ(f.DTPicker1[1]->date(), QDate(2008, 11, 25));
    EXPECT_EQ(f.DTPicker1[0]->text(), "11/24/2008");
    EXPECT_EQ(f.lblDate[0]->text(), "Date Start");
    EXPECT_EQ(f.lblDate[1]->text(), "Date End");
    EXPECT_EQ(f.cmdSearch->text(), "&Search");
    EXPECT_EQ(f.cmdPrint->text(), "&Print");

    QTableWidget* g = f.fgridScanReport;
    ASSERT_EQ(g->columnCount(), 6);
    const QStringList headings = {"", "Employee ID", "Last Name", "First Name", "Middle Name", "Scanned Docs"};
    const int widths[] = {0, 1150, 1960, 1960, 1960, 1300};
    for (int c = 1; c < 6; ++c) {
        EXPECT_EQ(g->horizontalHeaderItem(c)->text(), headings[c]);
        EXPECT_EQ(g->columnWidth(c), qRound(widths[c] / w->twipsPerPixelX())) << c;
    }
    EXPECT_TRUE(g->isColumnHidden(0));

    // The grid follows the window's height, 500 twips above its bottom.
    f.resize(f.width(), f.height() + 100);
    QApplication::processEvents();
    EXPECT_EQ(g->geometry().bottom() + 1,
              f.height() - qRound(500 / w->twipsPerPixelY()));

    w->ui().mScanningAcc->trigger();
    EXPECT_EQ(reports::scanReportWindow(*w), &f);
}

TEST_F(ScanReport, SearchAtOnceReportsYesterdayThroughTodayPerEmployee) {
    load();
    ScanReportWindow& f = open();
    search(f);
    EXPECT_EQ(t.db->statements.back(), "dbRecords..sp_ScanReport '11/24/2008','11/25/2008'");
    // O'Brien's two files of yesterday and one at midnight; Santos' one a moment before the
    // end of today. The files of the 23rd and 26th are outside.
    EXPECT_EQ(rows(f), QStringList({"1|2001|O'Brien|Kathleen|Anne|3", "2|1001|Santos|Maria|Lopez|1"}));
    EXPECT_TRUE(f.fgridScanReport->isEnabled());
    EXPECT_TRUE(f.fgridScanReport->hasFocus() || !f.isActiveWindow());
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(ScanReport, RangesWithoutScansAndReversedRangesGiveAHeadingAndOneEmptyDisabledRow) {
    load();
    ScanReportWindow& f = open();
    search(f, QDate(2008, 11, 10), QDate(2008, 11, 20));
    EXPECT_EQ(rows(f), QStringList({"|||||"}));
    EXPECT_FALSE(f.fgridScanReport->isEnabled());

    // Rows again, then the end before the start: passed as chosen.
    search(f, QDate(2008, 11, 24), QDate(2008, 11, 24));
    EXPECT_EQ(rows(f), QStringList({"1|2001|O'Brien|Kathleen|Anne|2"}));
    search(f, QDate(2008, 11, 25), QDate(2008, 11, 24));
    EXPECT_EQ(t.db->statements.back(), "dbRecords..sp_ScanReport '11/25/2008','11/24/2008'");
    EXPECT_EQ(rows(f), QStringList({"|||||"}));
    EXPECT_FALSE(f.fgridScanReport->isEnabled());
    // The range stays on screen.
    EXPECT_EQ(f.DTPicker1[0]->date(), QDate(2008, 11, 25));
}

TEST_F(ScanReport, EscUnloadsTheWindowFromItsControls) {
    load();
    ScanReportWindow* f = &open();
    QPointer<ScanReportWindow> guard(f);
    f->DTPicker1[0]->setFocus();
    QTest::keyClick(f->DTPicker1[0], Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(reports::scanReportWindow(*w), nullptr);
    // The menu loads a fresh one.
    EXPECT_EQ(open().DTPicker1[1]->date(), QDate(2008, 11, 25));
}

TEST_F(ScanReport, PrintPreviewsTheRangeAndPrintsAndSavesEveryEmployeesCountAndTheTotal) {
    load();
    ScanReportWindow& f = open();
    const QDate from(2023, 1, 1), to(2023, 6, 30);
    f.DTPicker1[0]->setDate(from);
    f.DTPicker1[1]->setDate(to);
    ReportPreviewWindow* preview = print(f);
    ASSERT_NE(preview, nullptr) << t.prompter.lastText().toStdString();
    EXPECT_EQ(t.db->statements.back(), "dbRecords..sp_ScanReport '01/01/2023','06/30/2023'");
    EXPECT_EQ(preview->objectName(), "frmReportPreview");
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->windowTitle(), "Scanning Accomplishment Report - Print Preview");
    EXPECT_GE(preview->preview->pageCount(), 1);
    EXPECT_EQ(preview->preview->pageCount(), preview->pageCount());
    EXPECT_EQ(preview->lblPage->text(), QString("Page 1 of %1").arg(preview->pageCount()));

    // Print: the dialog offers every page, without the document page options.
    auto dialog = std::make_shared<doubles::ScriptedPrintDialogRunner>();
    dialog->answer({1, preview->pageCount(), 0, false});
    preview->setPrintDialogRunner(dialog);
    preview->cmdPrint->click();
    ASSERT_EQ(dialog->requests().size(), 1u);
    EXPECT_EQ(dialog->requests()[0].lastPage, preview->pageCount());
    EXPECT_FALSE(dialog->requests()[0].pageOptions);
    EXPECT_TRUE(t.prompter.shown.empty()) << t.prompter.lastText().toStdString();

    const std::map<QString, int> expected = countedPerEmployee(from, to);
    ASSERT_GE(expected.size(), 3u); // the demo's clerks filed in that half year
    int expectedTotal = 0;
    for (const auto& [id, n] : expected) expectedTotal += n;

    const auto check = [&](const QString& file) {
        const QString text = pdfText(file);
        ASSERT_FALSE(text.isEmpty()) << file.toStdString();
        EXPECT_TRUE(text.contains("Scanning Accomplishment Report"));
        EXPECT_TRUE(text.contains("Documents scanned from 01/01/2023 to 06/30/2023"));
        EXPECT_TRUE(text.contains("Printed 11/25/2008 2:05 PM"));
        EXPECT_TRUE(text.contains("Page 1 of 1"));
        std::map<QString, int> printed;
        int total = -1;
        for (const QStringList& cells : pdfColumns(text)) {
            if (cells.size() >= 3 && expected.count(cells[0])) printed[cells[0]] = cells.back().toInt();
            if (cells[0] == "Total documents" && cells.size() == 2) total = cells[1].toInt();
        }
        EXPECT_EQ(printed, expected);
        EXPECT_EQ(total, expectedTotal);
        // With the names from the employee master.
        EXPECT_TRUE(text.contains(QRegularExpression("1001\\s+Santos\\s+Maria\\s+Lopez\\s+\\d+")));
        EXPECT_TRUE(text.contains(QRegularExpression("3001\\s+D'Souza\\s+Priya\\s+\\d+")));
    };
    check(t.dir.file("printed.pdf"));

    // Save as PDF: into the file the dialog names (".pdf" added).
    auto files = std::make_shared<doubles::ScriptedFileDialogRunner>();
    files->answer(t.dir.file("saved"));
    preview->setFileDialogRunner(files);
    preview->cmdSavePdf->click();
    ASSERT_EQ(files->requests().size(), 1u);
    EXPECT_EQ(files->requests()[0].kind, imaging::kFileDialogSave);
    EXPECT_EQ(files->requests()[0].fileName, "ScanReport.pdf");
    check(t.dir.file("saved.pdf"));

    // Cancelled dialogs print and save nothing.
    QFile::remove(t.dir.file("printed.pdf"));
    preview->cmdPrint->click();
    preview->cmdSavePdf->click();
    EXPECT_FALSE(QFile::exists(t.dir.file("printed.pdf")));
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(ScanReport, PrintShowsWhyItCannotAndOpensNoPreview) {
    load();
    ScanReportWindow& f = open();
    const size_t before = t.db->statements.size();
    const struct {
        const char* what;
        std::function<void()> arrange;
        QString says;
    } cases[] = {
        {"missing", [&] { QFile::remove(definition()); },
         "The report definition " + definition() + " cannot be read: "},
        {"a folder", [&] { QDir().mkpath(definition()); },
         "The report definition " + definition() + " cannot be read: it is not a file."},
        {"not a definition",
         [&] {
             QDir(definition()).removeRecursively();
             QFile d(definition());
             ASSERT_TRUE(d.open(QIODevice::WriteOnly));
             d.write("title: Scanning Accomplishment Report\npage: landscape\n");
         },
         "The report definition " + definition() + " is not valid, line 2: unknown key \"page\"."},
    };
    for (const auto& c : cases) {
        t.prompter.shown.clear();
        c.arrange();
        EXPECT_EQ(print(f), nullptr) << c.what;
        ASSERT_EQ(t.prompter.shown.size(), 1u) << c.what;
        EXPECT_TRUE(t.prompter.lastText().startsWith(c.says)) << c.what << ": " << t.prompter.lastText().toStdString();
        EXPECT_EQ(t.prompter.shown.back().buttons, app::mb::OKOnly);
        EXPECT_TRUE(previews().empty()) << c.what;
    }
    // Nothing reached the database.
    EXPECT_EQ(t.db->statements.size(), before);

    // A procedure that fails: its description, and no preview.
    QFile d(definition());
    ASSERT_TRUE(d.open(QIODevice::WriteOnly | QIODevice::Truncate));
    d.write("title: T\nparameter: A date\nparameter: B date\nparameter: C date\nparameter: D date\n"
            "procedure: dbRecords..sp_NoSuchReport A B\ncolumn: EmployeeID | Employee ID\n");
    d.close();
    t.prompter.shown.clear();
    EXPECT_EQ(print(f), nullptr);
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_TRUE(t.prompter.lastText().contains("sp_NoSuchReport")) << t.prompter.lastText().toStdString();
    EXPECT_TRUE(previews().empty());
}

TEST_F(ScanReport, AClassesComponentThatCannotBeMadeSaysSoOnceAndIsTriedAgainNextTime) {
    load();
    ScanReportWindow& f = open();
    t.components.failClasses = true;
    EXPECT_EQ(print(f), nullptr);
    EXPECT_EQ(t.prompter.texts(), std::vector<QString>({"Register TALVORClasses.dll. Class not registered"}));
    EXPECT_FALSE(t.s().gblnClassesReady);

    t.components.failClasses = false;
    t.prompter.shown.clear();
    ReportPreviewWindow* preview = print(f);
    ASSERT_NE(preview, nullptr) << t.prompter.lastText().toStdString();
    EXPECT_TRUE(t.s().gblnClassesReady);
    // The range of the window at load: the two days' files.
    EXPECT_EQ(preview->report().data().rows.size(), 2u);
    EXPECT_EQ(preview->report().data().totals.at(0).value, "4");
}
