// "Patient Access..." (Reports menu) on the embedded demo database: for one hospital number
// and a range of days, every employee who searched for or opened that patient's records, per
// action with how often and when first and last, printed through the report facility and read
// back from the PDF; other patients, other actions and other days are left out.
#include "PdfText.h"
#include "doubles/ScannerFake.h"
#include "doubles/TestSession.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/controls/Print.h"
#include "doubles/ScriptedDialogs.h"
#include "reports/PatientAccessWindow.h"
#include "reports/ReportPreviewWindow.h"
#include "reports/Workflow.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using reportstest::pdfColumns;
using reportstest::pdfText;

namespace {

TEST(PatientAccess, ListsWhoSearchedForOrOpenedThePatientsRecords) {
    doubles::TestSession t;
    t.useDemoDatabase();
    t.signIn();
    QDir().mkpath(t.s().svc.programFolder);
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationDirPath() + "/PatientAccess.rpt",
                            t.s().svc.programFolder + "/PatientAccess.rpt"));
    // employee, action, patient, when
    const std::vector<QStringList> history = {
        {"1001", "open record", "100101", "2008-11-20 09:00:00.000"},
        {"1001", "open record", "100101", "2008-11-24 16:45:10.000"},
        {"1001", "record search", "100101", "2008-11-20 08:59:00.000"},
        {"3001", "admission search", "100101", "2008-11-22 11:00:00.000"},
        {"1001", "print", "100101", "2008-11-24 16:46:00.000"},      // not a search or opening
        {"2001", "open record", "100102", "2008-11-21 10:00:00.000"}, // another patient
        {"2001", "open record", "100101", "2008-11-26 00:00:00.000"}, // after the range
        {"9001", "open record", "100101", "2008-11-18 23:59:59.000"}, // before it
    };
    for (const QStringList& h : history)
        t.demo->execute("INSERT INTO dbRecords..tblRecHistory (at, employee, action, hosp_num) "
                        "VALUES ('" + h[3] + "', '" + h[0] + "', '" + h[1] + "', '" + h[2] + "')");

    auto pdf = std::make_shared<imaging::PdfPrinterProvider>(t.dir.file("printed.pdf"));
    viewer::MainWindowOptions options;
    options.imaging.scanner = std::make_shared<doubles::FakeScanner>();
    options.imaging.printer = pdf;
    viewer::MainWindow w(t.s(), options);
    reports::install(w);
    w.Form_Load();

    // Without settings rights nothing opens.
    t.user->settingsAnswer = false;
    w.findChild<QAction*>("mnuPatientAccess")->trigger();
    EXPECT_EQ(w.findChild<reports::PatientAccessWindow*>("frmPatientAccess"), nullptr);
    t.user->settingsAnswer = true;
    w.findChild<QAction*>("mnuPatientAccess")->trigger();
    auto* f = w.findChild<reports::PatientAccessWindow*>("frmPatientAccess");
    ASSERT_NE(f, nullptr);
    f->txtHospNum->setText("100101");
    f->dtFrom->setDate(QDate(2008, 11, 19));
    f->dtTo->setDate(QDate(2008, 11, 25));
    QSignalSpy opened(f, &reports::PatientAccessWindow::previewOpened);
    f->cmdPrint->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.count() > 0 || !w.jobs().anyRunning(); }, 20000));
    QApplication::processEvents();
    ASSERT_EQ(opened.count(), 1) << t.prompter.lastText().toStdString();
    auto* preview = opened.front().front().value<reports::ReportPreviewWindow*>();
    EXPECT_EQ(t.db->statements.back(),
              "dbRecords..sp_PatientAccess '100101','11/19/2008','11/25/2008'");

    auto dialog = std::make_shared<doubles::ScriptedPrintDialogRunner>();
    dialog->answer({1, preview->pageCount(), 0, false});
    preview->setPrintDialogRunner(dialog);
    preview->cmdPrint->click();
    const QString text = pdfText(t.dir.file("printed.pdf"));
    ASSERT_FALSE(text.isEmpty());
    EXPECT_TRUE(text.contains("Patient Access Report"));
    EXPECT_TRUE(text.contains("Hospital number 100101"));
    EXPECT_TRUE(text.contains("From 11/19/2008 to 11/25/2008"));
    QStringList printed;
    int total = -1;
    for (const QStringList& cells : pdfColumns(text)) {
        if (!cells.isEmpty() && QStringList{"1001", "2001", "3001", "9001"}.contains(cells[0]))
            printed << cells.join(' ').simplified();
        if (cells.size() == 2 && cells[0] == "Total") total = cells[1].toInt();
    }
    // By the employee master's last names; per employee, by action.
    EXPECT_EQ(printed, (QStringList{
                           "3001 D'Souza Priya admission search 1 2008-11-22 11:00 2008-11-22 11:00",
                           "1001 Santos Maria open record 2 2008-11-20 09:00 2008-11-24 16:45",
                           "1001 Santos Maria record search 1 2008-11-20 08:59 2008-11-20 08:59"}));
    EXPECT_EQ(total, 4);
    if (const QString out = qEnvironmentVariable("DOCUVANE_SHOT_DIR"); !out.isEmpty())
        QFile::copy(t.dir.file("printed.pdf"), out + "/patient-access.pdf");
    w.jobs().cancelAllAndWait();
}

} // namespace
