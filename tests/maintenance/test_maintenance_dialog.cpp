// The maintenance dialog on the embedded demo database: loading a row, editing it in the
// grid, saving (and the refusals and failures), and the file list's two commands.
#include "app/Settings.h"
#include "doubles/TestSession.h"
#include "maintenance/MaintenanceDialog.h"
#include "maintenance/Workflow.h"
#include "viewer/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {

class Maintenance : public ::testing::Test {
protected:
    void SetUp() override {
        t.useDemoDatabase();
        t.signIn();
        share = t.dir.file("share");
        QDir().mkpath(share + "/2025/2025-03-14");
        QFile f(share + "/2025/2025-03-14/250123-1.tif");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("II*\0", 4);
        t.settings.write(app::kAppPrefs, "Shares", "\\\\records-fs\\recfiles", share);
        t.s().gstrDefaultDirectory = root;
        t.s().gblnAdmin = true;
        w = std::make_unique<viewer::MainWindow>(t.s());
    }
    // The dialog as the search window's label opens it: with the row's number in its box.
    maintenance::MaintenanceDialog& open(const QString& id) {
        d = std::make_unique<maintenance::MaintenanceDialog>(t.s(), *w, w.get(), id);
        return *d;
    }
    bool edit(int column, const QString& value) {
        auto& m = d->row();
        return m.setData(m.index(0, column), value, Qt::EditRole);
    }
    QString stored(const QString& column, const QString& id = "1") {
        auto rs = t.demo->execute("SELECT " + column +
                                  " FROM dbRecords..tblRecFiles WHERE recfile_id = " + id);
        return rs->eof() ? QString("(no row)") : rs->text(column);
    }

    const QString root = "\\\\records-fs\\recfiles";
    doubles::TestSession t;
    QString share;
    std::unique_ptr<viewer::MainWindow> w;
    std::unique_ptr<maintenance::MaintenanceDialog> d;
};

} // namespace

TEST_F(Maintenance, ShowsTheRowOfItsNumberAtOnceThenWhatLoadFinds) {
    auto& m = open("1");
    EXPECT_EQ(m.objectName(), "frmMaintenance");
    EXPECT_EQ(m.windowTitle(), "Viewer 2");
    EXPECT_EQ(t.db->statements.back(), "SELECT recfile_id,admission_id,rectype_id,file_name   "
                                       "FROM dbRecords.dbo.tblRecFiles WHERE recfile_id='1'");
    EXPECT_EQ(t.db->lastOptions.lockType, 3);
    ASSERT_EQ(m.row().rowCount(), 1);
    EXPECT_EQ(m.lblStatus->text(), "");
    EXPECT_EQ(m.row().columnCount(), 4);
    EXPECT_EQ(m.row().index(0, 3).data().toString(), "\\2025\\2025-03-14\\250123-1.tif");
    EXPECT_FALSE(m.row().flags(m.row().index(0, 0)) & Qt::ItemIsEditable);
    ASSERT_EQ(m.Grid1->rowCount(), 1);
    EXPECT_EQ(m.Grid1->item(0, 0)->text(), root + "\\2025\\2025-03-14\\250123-1.tif");
    EXPECT_EQ(m.Grid1->item(0, 1)->text(), "");

    // A row whose file is not on the share says so.
    m.txtRecFileID->setText("2");
    m.cmdGo->click();
    EXPECT_EQ(m.Grid1->item(0, 1)->text(), "The file is missing.");

    // An id that does not exist: an empty grid, no file, and the reason.
    m.txtRecFileID->setText("99999");
    m.cmdGo->click();
    EXPECT_EQ(m.row().rowCount(), 0);
    EXPECT_EQ(m.Grid1->rowCount(), 0);
    EXPECT_EQ(m.lblStatus->text(), "No record has that number.");
}

TEST_F(Maintenance, SaveWritesTheChangedColumnsOfThatRowOnly) {
    auto& m = open("1");
    m.cmdGo->click();
    ASSERT_TRUE(edit(3, "\\2025\\2025-03-14\\250123-1b.tif"));
    ASSERT_TRUE(edit(1, "O'Brien-250123"));
    const QString otherBefore = stored("file_name", "2");
    m.cmdUpdate->click();
    EXPECT_EQ(m.lblStatus->text(), "Saved.");
    EXPECT_EQ(stored("file_name"), "\\2025\\2025-03-14\\250123-1b.tif");
    EXPECT_EQ(stored("admission_id"), "O'Brien-250123");
    EXPECT_EQ(stored("file_name", "2"), otherBefore);
    EXPECT_EQ(stored("Description"), "Admission record");
    EXPECT_EQ(m.Grid1->item(0, 1)->text(), "The file is missing."); // the list follows the new name
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(Maintenance, RefusedEditsAndAChangedRowAreReported) {
    auto& m = open("1");
    m.cmdGo->click();
    for (const QString& bad : {QString("\\..\\..\\etc\\passwd"), QString("\\2025\\a|b.tif"),
                               QString("\\\\fs\\share\\nodate\\x.tif"), QString(151, 'x'),
                               QString("C:\\x.tif"), QString()}) {
        t.prompter.shown.clear();
        EXPECT_FALSE(edit(3, bad)) << bad.toStdString();
        ASSERT_EQ(t.prompter.shown.size(), 1u) << bad.toStdString();
        EXPECT_TRUE(t.prompter.shown[0].text.endsWith("The change is not taken."));
    }
    EXPECT_FALSE(edit(2, "seven"));
    EXPECT_FALSE(edit(1, "12/34"));
    EXPECT_FALSE(m.row().changed());

    // Someone else changes the row meanwhile: the save changes nothing and says so.
    ASSERT_TRUE(edit(2, "3"));
    t.demo->execute("UPDATE dbRecords..tblRecFiles SET rectype_id = 4 WHERE recfile_id = 1");
    t.prompter.shown.clear();
    m.cmdUpdate->click();
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_TRUE(t.prompter.shown[0].text.startsWith("The record was not saved: Row cannot be located"))
        << t.prompter.shown[0].text.toStdString();
    EXPECT_EQ(stored("rectype_id"), "4");
    EXPECT_NE(m.lblStatus->text(), "Saved.");
}

TEST_F(Maintenance, OpenFolderAndWinViewerActOnTheListedFile) {
    auto& m = open("");
    m.cmdOpenFolder->click();
    m.cmdOpen->click();
    EXPECT_TRUE(t.shell.commands.isEmpty()); // no row listed: both do nothing
    m.txtRecFileID->setText("1");
    m.cmdGo->click();
    m.cmdOpenFolder->click();
    m.cmdOpen->click();
    const QString file = root + "\\2025\\2025-03-14\\250123-1.tif";
    EXPECT_EQ(t.shell.commands,
              (QStringList{"explorer " + root + "\\2025\\2025-03-14\\",
                           "rundll32.exe c:\\windows\\System32\\shimgvw.dll, ImageView_Fullscreen    " + file}));
    EXPECT_EQ(t.shell.styles, (QList<int>{2, 2}));
    // A viewer that cannot start is reported; Open Folder's failures are ignored.
    t.shell.failWith = "The program xdg-open is not installed.";
    m.cmdOpenFolder->click();
    EXPECT_TRUE(t.prompter.shown.empty());
    m.cmdOpen->click();
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.shown[0].text, "The program xdg-open is not installed.");
}

TEST_F(Maintenance, InstalledOpenerShowsTheRowOfTheNumberItIsGiven) {
    QStringList seen;
    maintenance::Options o;
    o.runDialog = [&](QDialog& dialog) {
        auto& m = static_cast<maintenance::MaintenanceDialog&>(dialog);
        seen << m.txtRecFileID->text() + "/" + QString::number(m.row().rowCount()) + "/" +
                    m.lblStatus->text();
    };
    maintenance::install(*w, o);
    ASSERT_TRUE(w->openRecordMaintenance);
    // A filed row, a number no row has, and no number (no search row chosen).
    for (const QString& id : {"2", "99999", ""}) w->openRecordMaintenance(w.get(), id);
    EXPECT_EQ(seen, (QStringList{"2/1/", "99999/0/No record has that number.", "/0/"}));
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(Maintenance, SaveNeedsTheSettingsGateRightsToChangeAndAnExistingRecordType) {
    struct Case {
        const char* what;
        bool settingsAnswer;
        QString rights;
        QString rectype;
        QStringList messages;
        QString stored; // rectype_id of row 1 after Save
    };
    const Case cases[] = {
        {"settings gate refused", false, "ASV", "3", {}, "1"},
        {"rights bar changes", true, "ABV", "3", {"No Rights"}, "1"},
        {"no such record type", true, "ASV", "99",
         {"Record type 99 does not exist: type the number of an existing record type. "
          "Nothing was saved."},
         "1"},
        {"an existing record type", true, "ASV", "3", {}, "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        t.demo->execute("UPDATE dbRecords..tblRecFiles SET rectype_id = 1 WHERE recfile_id = 1");
        t.s().gblnSettingsUnlocked = false;
        t.user->settingsAnswer = c.settingsAnswer;
        t.user->rights = c.rights;
        const int gateCalls = t.user->checkSettingsCalls;
        auto& m = open("1");
        ASSERT_TRUE(edit(2, c.rectype));
        t.prompter.shown.clear();
        m.cmdUpdate->click();
        EXPECT_EQ(t.user->checkSettingsCalls, gateCalls + 1);
        QStringList shown;
        for (const auto& msg : t.prompter.shown) shown << msg.text;
        EXPECT_EQ(shown, c.messages);
        EXPECT_EQ(stored("rectype_id"), c.stored);
        EXPECT_EQ(m.lblStatus->text() == "Saved.", c.stored == c.rectype);
    }
    // A row whose stored type was removed since can still be corrected in its other columns.
    t.user->rights = "ASV";
    auto& m = open("8");
    ASSERT_EQ(m.row().rowCount(), 1);
    ASSERT_TRUE(edit(1, "250302"));
    m.cmdUpdate->click();
    EXPECT_EQ(m.lblStatus->text(), "Saved.");
    EXPECT_EQ(stored("admission_id", "8"), "250302");
}
