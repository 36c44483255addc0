// The other departments' new-record dialog: the department label, the employee lookup window
// over the payroll database, filing into the department's folder, a department without
// record types.
#include "CaptureFixture.h"

#include "app/Browse.h"
#include "capture/NewRecordOtherDialog.h"
#include "imaging/documents/Document.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace capturetest {
namespace {

class OtherDepartment : public CaptureFixture {
protected:
    capture::NewRecordOtherDialog& open() {
        w->ui().mnuFileNew->trigger();
        auto* f = dialog<capture::NewRecordOtherDialog>("frmNewRecOther");
        EXPECT_NE(f, nullptr);
        return *f;
    }
    app::BrowseWindow* browse() {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* b = top->findChild<app::BrowseWindow*>("frmBrowse")) return b;
        return w->findChild<app::BrowseWindow*>("frmBrowse");
    }
};

TEST_F(OtherDepartment, HumanResourcesFilesAnEmployeePickedInTheLookup) {
    writeShareFile("HRD/2026/2026-02-10/5020-8.tif"); // the employee's earlier file
    load("HUMAN RESOURCES");
    auto& f = open();
    EXPECT_EQ(f.windowTitle(), "Scan New Record");
    EXPECT_EQ(f.lblDepartment->text(), "HUMAN RESOURCES HRD");
    EXPECT_TRUE(f.cmdSelectID->isVisible());
    EXPECT_EQ(f.txtAdmDate->text(), "11/25/2008");
    QStringList types;
    for (int i = 0; i < f.cboScanType->count(); ++i) types << f.cboScanType->itemText(i);
    EXPECT_EQ(types, (QStringList{"EMPLOYMENT CONTRACT", "PERFORMANCE EVALUATION",
                                  "PERSONAL DATA SHEET"}));
    EXPECT_EQ(f.cboScanType->currentText(), "PERSONAL DATA SHEET"); // the department's default

    f.cmdSelectID->click();
    app::BrowseWindow* b = browse();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->fgridBrowse->rowCount(), 0); // find before listing
    EXPECT_EQ(b->findChild<QLabel*>("lblFind1")->text(), "EmployeeName:");
    EXPECT_EQ(b->findChild<QLabel*>("lblFind2")->text(), "EmpNum:");
    const QStringList headings = {"EmpNum", "LastName", "FirstName", "MiddleName"};
    const int twips[] = {1500, 2000, 2000, 2000};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(b->fgridBrowse->horizontalHeaderItem(c)->text(), headings[c]);
        if (c < 3) // the last column takes what is left of the window
            EXPECT_NEAR(b->fgridBrowse->columnWidth(c), twips[c] * b->logicalDpiX() / 1440.0, 1);
    }
    b->txtFind1->setText("lim");
    QTest::keyClick(b->txtFind1, Qt::Key_Return);
    ASSERT_EQ(b->fgridBrowse->rowCount(), 2); // Grace and Henry Lim
    EXPECT_EQ(b->lblCount->text(), "2 rows found");
    b->txtFind2->setText("5020");
    QTest::keyClick(b->txtFind2, Qt::Key_Return);
    ASSERT_EQ(b->fgridBrowse->rowCount(), 1);
    EXPECT_EQ(b->fgridBrowse->item(0, 2)->text(), "Henry");
    QTest::keyClick(b->fgridBrowse, Qt::Key_Return);
    EXPECT_EQ(f.txtAdmID->text(), "5020");
    EXPECT_EQ(f.txtDescription->text(), "Lim");

    f.txtAdmDate->setText("01/15/2009");
    t.prompter.answers = {app::mb::Yes, app::mb::OK}; // 5020 has a PERSONAL DATA SHEET already
    f.btnScan->click();
    waitJobs();
    EXPECT_TRUE(t.prompter.shown.at(0).text.startsWith("ID: 5020 have been scanned already."));
    EXPECT_EQ(t.prompter.shown.at(1).text, "Please prepare all documents that will be \r\n"
                                           "scanned for ID No: 5020\r\nPress OK when ready.");
    const QString logical = root + "\\HRD\\2009\\2009-01-15\\5020-8.tif";
    EXPECT_EQ(imaging::Document::open(logical, w->imagingEnvironment()->paths)->pageCount(), 3);
    EXPECT_EQ(scalar("SELECT file_name FROM dbRecords..tblRecFiles WHERE admission_id = '5020'"),
              "\\2009\\2009-01-15\\5020-8.tif");
    EXPECT_TRUE(QFileInfo::exists(share + "/HRD/Recycled/2008-11-25/5020-8-140500.tif"));
    EXPECT_EQ(w->doc().FullPathFileName, logical);
    EXPECT_EQ(w->ui().txtType->text(), "PERSONAL DATA SHEET");
    EXPECT_EQ(t.s().rec.gstrScanUpdate, "11/25/2008 2:05:00 PM");
}

TEST_F(OtherDepartment, LookupFailureNamesTheComponentsToUpdate) {
    t.user->payrollDb = "NoSuchPayroll";
    load("HUMAN RESOURCES");
    auto& f = open();
    f.cmdSelectID->click();
    app::BrowseWindow* b = browse();
    ASSERT_NE(b, nullptr);
    b->txtFind1->setText("Lim");
    QTest::keyClick(b->txtFind1, Qt::Key_Return);
    EXPECT_TRUE(b->lblCount->text().endsWith(" update CurrentUser,TALVORClasses,TlvrMain"))
        << b->lblCount->text().toStdString();
    EXPECT_EQ(f.txtAdmID->text(), "");
    // The component itself missing: the message names them too.
    b->close();
    t.components.failClasses = true;
    t.s().gblnClassesReady = false;
    f.cmdSelectID->click();
    EXPECT_TRUE(t.prompter.lastText().endsWith(" update CurrentUser,TALVORClasses,TlvrMain"));
}

TEST_F(OtherDepartment, ADepartmentWithoutRecordTypesOpensTheAdministration) {
    t.demo->execute("INSERT INTO Password..tbPasswordMain (EmployeeID, DepartmentID) VALUES "
                    "('1001', '16')");
    load("NURSING");
    int opened = 0;
    w->openRecordTypesModal = [&opened](QWidget* owner) {
        ++opened;
        EXPECT_EQ(owner->objectName(), "frmNewRecOther");
    };
    auto& f = open();
    EXPECT_EQ(messages(), (QStringList{"no scan type", "Record Type needed."}));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(f.cboScanType->count(), 0);
    EXPECT_FALSE(f.cmdSelectID->isVisible());
    f.close();
    QApplication::processEvents();
    w->openRecordTypesModal = nullptr; // without the administration: the messages alone
    t.prompter.shown.clear();
    open();
    EXPECT_EQ(messages(), (QStringList{"no scan type", "Record Type needed."}));
}

} // namespace
} // namespace capturetest
