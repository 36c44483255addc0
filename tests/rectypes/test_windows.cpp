// The record type windows on the embedded demo database, through their controls: the list
// opened from the Maintenance menu, the add and edit dialogs run by a script instead of
// modally, and the modal opener other dialogs use.
#include "app/Prompter.h"
#include "doubles/ScannerFake.h"
#include "doubles/TestSession.h"
#include "imaging/controls/ImageScan.h"
#include "rectypes/Workflow.h"
#include "viewer/MainWindow.h"
#include "viewer/SessionCommands.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using app::mb::Critical;
using app::mb::Information;

namespace {

// A connection over the demo database that answers chosen statements itself.
class AnsweringConnection : public doubles::RecordingConnection {
public:
    using RecordingConnection::RecordingConnection;
    db::RecordsetPtr open(const QString& text, db::CursorOptions options = {}) override {
        if (answer) {
            if (auto rs = answer(text)) {
                statements.push_back(text);
                return rs;
            }
        }
        return RecordingConnection::open(text, options);
    }
    std::function<db::RecordsetPtr(const QString&)> answer;
};

// Runs the prompter's script, and a step before a chosen question is answered.
class SteppingPrompter : public app::Prompter {
public:
    explicit SteppingPrompter(doubles::ScriptedPrompter& inner) : inner_(inner) {}
    int ask(const app::Message& m) override {
        if (beforeQuestion && m.buttons != app::mb::OKOnly) beforeQuestion();
        return inner_.ask(m);
    }
    std::function<void()> beforeQuestion;

private:
    doubles::ScriptedPrompter& inner_;
};

class RecTypeWindows : public ::testing::Test {
protected:
    void SetUp() override {
        t.useDemoDatabase();
        connection = std::make_unique<AnsweringConnection>(t.demo.get());
        t.user->connection = connection.get();
        t.signIn();
    }
    void TearDown() override {
        w.reset();
        QApplication::processEvents();
    }

    // The main window with the department `department` chosen, and the record types
    // workflow installed with scripted dialogs.
    void load(const QString& department = "MEDICAL RECORDS") {
        t.s().gblnAdmin = true;
        viewer::MainWindowOptions options;
        // No scanning here: the fake device keeps the scanner probe off the system.
        options.imaging.scanner = std::make_shared<doubles::FakeScanner>();
        w = std::make_unique<viewer::MainWindow>(t.s(), options);
        rectypes::Options o;
        o.runDialog = [this](QDialog& d) {
            dialogsRun.push_back(d.objectName());
            modalSeen.push_back(d.isModal());
            if (whileDialog) whileDialog(d);
        };
        rectypes::install(*w, o);
        w->Form_Load();
        QComboBox* cbo = w->ui().cboDept;
        cbo->setCurrentIndex(cbo->findText(department));
        w->sessionCommands().cboDept_Click();
        t.prompter.shown.clear();
    }

    rectypes::RecTypeListWindow& openList() {
        w->ui().mnuRectype->trigger();
        rectypes::RecTypeListWindow* f = rectypes::listWindow(*w);
        if (!f) throw std::runtime_error("the list did not open");
        return *f;
    }

    // The grid's rows as "default|id|name".
    static QStringList rows(const rectypes::RecTypeListWindow& f) {
        QStringList out;
        for (int r = 0; r < f.fgridRectype->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < 3; ++c) {
                const QTableWidgetItem* i = f.fgridRectype->item(r, c);
                cells << (i ? i->text() : QString());
            }
            out << cells.join('|');
        }
        return out;
    }
    static void select(rectypes::RecTypeListWindow& f, const QString& name) {
        for (int r = 0; r < f.fgridRectype->rowCount(); ++r)
            if (f.fgridRectype->item(r, 2) && f.fgridRectype->item(r, 2)->text() == name) {
                f.fgridRectype->setCurrentCell(r, 2);
                return;
            }
        ADD_FAILURE() << "no row " << name.toStdString();
    }
    // The rows of a T-SQL query on the demo database: columns joined by "|", rows by ";".
    QString scalar(const QString& statement) {
        db::RecordsetPtr rs = t.demo->open(statement);
        QStringList rows;
        for (; !rs->eof(); rs->moveNext()) {
            QStringList cells;
            for (int c = 0; c < rs->fieldCount(); ++c)
                cells << (rs->value(c).isNull() ? QString("NULL") : rs->value(c).toString());
            rows << cells.join('|');
        }
        return rows.isEmpty() ? QString("<none>") : rows.join(';');
    }
    // The dialog a button opens, with `fill` run while it is "shown"; returns its result.
    int runDialog(QPushButton* button, const std::function<void(QDialog&)>& fill) {
        int result = -1;
        whileDialog = [&](QDialog& d) {
            fill(d);
            result = d.result();
        };
        button->click();
        whileDialog = nullptr;
        return result;
    }
    static void type(QDialog& d, const char* box, const QString& text) {
        auto* e = d.findChild<QLineEdit*>(box);
        e->clear();
        QTest::keyClicks(e, text);
    }
    static void press(QDialog& d, const char* button) { d.findChild<QPushButton*>(button)->click(); }
    // The dialog `button` opens refuses the name `typed` with `message` and stays open.
    void expectNameRefused(QPushButton* button, const char* confirm, const QString& typed,
                           const QString& message) {
        SCOPED_TRACE(typed.toStdString());
        t.prompter.shown.clear();
        const int result = runDialog(button, [&](QDialog& d) {
            type(d, "txtName", typed);
            press(d, confirm);
        });
        EXPECT_NE(result, QDialog::Accepted);
        ASSERT_EQ(t.prompter.shown.size(), 1u);
        EXPECT_EQ(lastMessage().text, message);
        EXPECT_EQ(lastMessage().icon, Critical);
        EXPECT_EQ(lastMessage().title, QString(""));
    }

    app::Message lastMessage() const { return t.prompter.shown.back(); }

    doubles::TestSession t;
    std::unique_ptr<AnsweringConnection> connection;
    std::unique_ptr<viewer::MainWindow> w;
    std::vector<QString> dialogsRun;
    std::vector<bool> modalSeen;
    std::function<void(QDialog&)> whileDialog;
};

// The medical records department's types of the demo data (DepartmentID NULL or empty), by
// name, with the default marked: as the demo script inserts them.
const QStringList kMedicalTypes = {
    "|1|ADMISSION RECORD",   "|5|CONSENT FORMS",    "*|2|DISCHARGE SUMMARY",
    "|3|LABORATORY RESULTS", "|4|OPERATIVE REPORT", "|6|RADIOLOGY REPORT"};

// Names a medical records type may not be given (by Add, or by Edit of DISCHARGE SUMMARY),
// with the message that refuses each.
const std::pair<QString, QString> kRefusedNames[] = {
    {"   ", "Record Type Name is required!"},
    {" consent forms ", "'CONSENT FORMS' already exist!"},
    // A type of medical records with a NULL department is a duplicate too.
    {"admission record", "'ADMISSION RECORD' already exist!"},
};

} // namespace

TEST_F(RecTypeWindows, TheMenuOpensTheListBehindTheSettingsGateWithItsCaptionsAndGrid) {
    load();
    t.user->settingsAnswer = false;
    w->ui().mnuRectype->trigger();
    EXPECT_EQ(rectypes::listWindow(*w), nullptr);
    EXPECT_EQ(t.user->checkSettingsCalls, 1);

    t.user->settingsAnswer = true;
    rectypes::RecTypeListWindow& f = openList();
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.isModal());
    EXPECT_EQ(f.objectName(), "frmRectype");
    EXPECT_EQ(f.windowTitle(), "Record Type");
    EXPECT_EQ(f.findChild<QGroupBox*>("Frame1")->title(), " List of Record Type ");
    const std::pair<const char*, const char*> buttons[] = {{"btnAdd", "&Add New"}, {"btnEdit", "&Edit"},
                                                           {"btnDelete", "Delete"}, {"btnDefault", "&Default"},
                                                           {"btnClose", "&Close"}};
    for (const auto& [name, text] : buttons) EXPECT_EQ(f.findChild<QPushButton*>(name)->text(), text) << name;
    QTableWidget* g = f.findChild<QTableWidget*>("fgridRectype");
    ASSERT_EQ(g->columnCount(), 3);
    EXPECT_EQ(g->horizontalHeaderItem(0)->text(), "Default");
    EXPECT_EQ(g->horizontalHeaderItem(2)->text(), "Record Type");
    EXPECT_TRUE(g->isColumnHidden(1));
    EXPECT_EQ(g->columnWidth(0), qRound(800 / w->twipsPerPixelX()));
    EXPECT_EQ(rows(f), kMedicalTypes);
    EXPECT_TRUE(g->isEnabled());

    // A second use of the menu shows the same window.
    w->ui().mnuRectype->trigger();
    EXPECT_EQ(rectypes::listWindow(*w), &f);
    // Another department: the list follows it.
    QComboBox* cbo = w->ui().cboDept;
    cbo->setCurrentIndex(cbo->findText("HUMAN RESOURCES"));
    w->sessionCommands().cboDept_Click();
    EXPECT_EQ(rows(f), QStringList({"|7|EMPLOYMENT CONTRACT", "|9|PERFORMANCE EVALUATION",
                                    "*|8|PERSONAL DATA SHEET"}));
}

TEST_F(RecTypeWindows, AddTypesNamesInUpperCaseAndRefusesEmptyAndDuplicateNames) {
    load();
    rectypes::RecTypeListWindow& f = openList();

    // Typed lower case comes out upper case; the description is kept as typed, quotes too.
    int result = runDialog(f.btnAdd, [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "frmRectype_Add");
        EXPECT_EQ(d.windowTitle(), "Add New Record Type");
        EXPECT_EQ(d.findChild<QPushButton*>("btnOk")->text(), "&OK");
        EXPECT_EQ(d.findChild<QPushButton*>("btnCancel")->text(), "&Cancel");
        EXPECT_EQ(d.findChild<QLabel*>("lblName")->text(), "RecType Name:");
        EXPECT_EQ(d.findChild<QLabel*>("lblDesc")->text(), "RecType Description:");
        type(d, "txtName", "  o'neil notes ");
        EXPECT_EQ(d.findChild<QLineEdit*>("txtName")->text(), "  O'NEIL NOTES ");
        type(d, "txtDesc", "Dr. O'Neil's notes");
        press(d, "btnOk");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(lastMessage().text, "Record Type successfully added!");
    EXPECT_EQ(lastMessage().icon, Information);
    EXPECT_EQ(lastMessage().title, QString(""));
    EXPECT_EQ(scalar("SELECT rectype_desc, user_created, DepartmentID FROM dbRecords..tblRecType "
                     "WHERE rectype_name = 'O''NEIL NOTES'"),
              "Dr. O'Neil's notes|1001|");
    EXPECT_TRUE(rows(f).contains("|10|O'NEIL NOTES")) << rows(f).join(", ").toStdString();
    ASSERT_EQ(modalSeen.size(), 1u);
    EXPECT_TRUE(modalSeen[0]);

    // Refusals keep the dialog open and add nothing.
    const QString count = scalar("SELECT count(*) FROM dbRecords..tblRecType");
    for (const auto& [typed, message] : kRefusedNames)
        expectNameRefused(f.btnAdd, "btnOk", typed, message);
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType"), count);

    // The same name in another department is no duplicate; Cancel adds nothing.
    result = runDialog(f.btnAdd, [&](QDialog& d) {
        type(d, "txtName", "x");
        press(d, "btnCancel");
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType"), count);
}

TEST_F(RecTypeWindows, EditLoadsTheCurrentTypeAndUpdatesItAlsoWhenItsDepartmentIsNull) {
    load();
    rectypes::RecTypeListWindow& f = openList();
    select(f, "ADMISSION RECORD"); // DepartmentID NULL in the demo data
    int result = runDialog(f.btnEdit, [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "frmRectype_Edit");
        EXPECT_EQ(d.windowTitle(), "Edit Record Type");
        EXPECT_EQ(d.findChild<QPushButton*>("btnUpdate")->text(), "&Update");
        EXPECT_EQ(d.findChild<QLineEdit*>("txtName")->text(), "ADMISSION RECORD");
        EXPECT_EQ(d.findChild<QLineEdit*>("txtDesc")->text(), "Admission and history forms");
        QTest::keyClicks(d.findChild<QLineEdit*>("txtName"), " forms");
        type(d, "txtDesc", "Admission, history & O'Neil forms");
        press(d, "btnUpdate");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(lastMessage().text, "Record Type successfully updated!");
    EXPECT_EQ(lastMessage().icon, Information);
    EXPECT_EQ(scalar("SELECT rectype_name, rectype_desc, user_updated, DepartmentID FROM "
                     "dbRecords..tblRecType WHERE rectype_id = 1"),
              "ADMISSION RECORD FORMS|Admission, history & O'Neil forms|1001|NULL");
    // Stamped with the server's time of the update.
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE rectype_id = 1 and "
                     "date_updated > '2024-01-01'"),
              "1");
    EXPECT_EQ(rows(f).first(), "|1|ADMISSION RECORD FORMS");
    EXPECT_EQ(f.currentTypeId(), 1);

    // A double click on a row edits it too; Cancel changes nothing.
    select(f, "CONSENT FORMS");
    whileDialog = [&](QDialog& d) {
        EXPECT_EQ(d.findChild<QLineEdit*>("txtName")->text(), "CONSENT FORMS");
        press(d, "btnCancel");
    };
    emit f.fgridRectype->cellDoubleClicked(f.fgridRectype->currentRow(), 2);
    EXPECT_EQ(dialogsRun.back(), "frmRectype_Edit");
    EXPECT_EQ(scalar("SELECT rectype_name FROM dbRecords..tblRecType WHERE rectype_id = 5"), "CONSENT FORMS");
}

TEST_F(RecTypeWindows, EditRefusesAnEmptyOrDuplicateNameAsAddDoes) {
    load();
    rectypes::RecTypeListWindow& f = openList();
    select(f, "DISCHARGE SUMMARY");
    const QString table = "SELECT rectype_id, rectype_name, rectype_desc, user_updated, "
                          "date_updated FROM dbRecords..tblRecType ORDER BY rectype_id";
    const QString before = scalar(table);
    for (const auto& [typed, message] : kRefusedNames)
        expectNameRefused(f.btnEdit, "btnUpdate", typed, message);
    EXPECT_EQ(scalar(table), before);

    // Its own name (blanks around it) with a new description is no duplicate of itself.
    const int result = runDialog(f.btnEdit, [&](QDialog& d) {
        type(d, "txtName", " discharge summary ");
        type(d, "txtDesc", "Summary and instructions");
        press(d, "btnUpdate");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(lastMessage().text, "Record Type successfully updated!");
    EXPECT_EQ(scalar("SELECT rectype_name, rectype_desc FROM dbRecords..tblRecType WHERE "
                     "rectype_id = 2"),
              "DISCHARGE SUMMARY|Summary and instructions");
}

TEST_F(RecTypeWindows, ADepartmentWithoutTypesShowsOneDisabledRowAndItsUpdateSaysNothingChanged) {
    load();
    t.s().gstrDepartmentID = "LAB";
    rectypes::RecTypeListWindow& f = openList();
    EXPECT_EQ(f.fgridRectype->rowCount(), 1);
    EXPECT_FALSE(f.fgridRectype->isEnabled());
    EXPECT_EQ(rows(f), QStringList({"||"}));

    const QString before = scalar("SELECT rectype_name, rectype_desc FROM dbRecords..tblRecType");
    runDialog(f.btnEdit, [&](QDialog& d) {
        EXPECT_EQ(d.findChild<QLineEdit*>("txtName")->text(), "");
        EXPECT_EQ(d.findChild<QLineEdit*>("txtDesc")->text(), "");
        type(d, "txtName", "NEW");
        press(d, "btnUpdate");
    });
    EXPECT_EQ(lastMessage().text, "Record Type was not updated because it no longer exists!");
    EXPECT_EQ(lastMessage().icon, Critical);
    EXPECT_EQ(scalar("SELECT rectype_name, rectype_desc FROM dbRecords..tblRecType"), before);

    // Adding the first type enables the grid; new types carry the department.
    runDialog(f.btnAdd, [&](QDialog& d) {
        type(d, "txtName", "culture results");
        press(d, "btnOk");
    });
    EXPECT_EQ(rows(f), QStringList({"|10|CULTURE RESULTS"}));
    EXPECT_TRUE(f.fgridRectype->isEnabled());
    EXPECT_EQ(scalar("SELECT DepartmentID FROM dbRecords..tblRecType WHERE rectype_id = 10"), "LAB");
}

TEST_F(RecTypeWindows, DefaultMovesTheMarkWithinTheDepartmentOnly) {
    load();
    rectypes::RecTypeListWindow& f = openList();
    select(f, "RADIOLOGY REPORT");
    f.btnDefault->click();
    EXPECT_TRUE(t.prompter.shown.empty());
    QStringList expected = kMedicalTypes;
    expected.replaceInStrings("*|2|", "|2|");
    expected.last() = "*|6|RADIOLOGY REPORT";
    EXPECT_EQ(rows(f), expected);
    EXPECT_EQ(f.currentTypeId(), 6);
    // Human resources keeps its default.
    EXPECT_EQ(scalar("SELECT rectype_default FROM dbRecords..tblRecType WHERE rectype_id = 8"), "true");
    EXPECT_EQ(connection->statements.back().left(40),
              "SELECT rectype_id, rectype_name, rectype");
}

TEST_F(RecTypeWindows, DeleteRefusesATypeInUseAsksOtherwiseAndReportsWhatHappened) {
    load();
    rectypes::RecTypeListWindow& f = openList();
    const QString linked = "Record Type cannot be deleted because it is linked to another record!";

    // Filed records use type 1.
    select(f, "ADMISSION RECORD");
    f.btnDelete->click();
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(lastMessage().text, linked);
    EXPECT_EQ(lastMessage().icon, Critical);
    EXPECT_EQ(lastMessage().title, QString(""));
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE rectype_id = 1"), "1");

    // Type 6 is unused: No keeps it, Yes deletes it.
    select(f, "RADIOLOGY REPORT");
    t.prompter.shown.clear();
    t.prompter.answers = {app::mb::No};
    f.btnDelete->click();
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(lastMessage().text, "Selected Record Type will be deleted.  Are you sure?");
    EXPECT_EQ(lastMessage().buttons, app::mb::YesNo);
    EXPECT_EQ(lastMessage().title, QString(""));
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE rectype_id = 6"), "1");
    t.prompter.answers = {app::mb::Yes};
    f.btnDelete->click();
    EXPECT_EQ(lastMessage().text, "Record Type successfully deleted!");
    EXPECT_EQ(lastMessage().icon, Information);
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE rectype_id = 6"), "0");
    EXPECT_FALSE(rows(f).join(',').contains("RADIOLOGY"));

    // A record filed while the question is open keeps its type.
    t.demo->execute("INSERT INTO dbRecords..tblRecType(rectype_name, DepartmentID) VALUES('SPARE','')");
    f.RecType_refresh();
    const QString spare = scalar("SELECT rectype_id FROM dbRecords..tblRecType WHERE rectype_name = 'SPARE'");
    SteppingPrompter stepping(t.prompter);
    t.s().svc.prompter = &stepping;
    stepping.beforeQuestion = [&] {
        t.demo->execute("INSERT INTO dbRecords..tblRecFiles(admission_id, file_name, rectype_id, "
                        "EmployeeID) VALUES('777','x.tif','" + spare + "','1001')");
    };
    select(f, "SPARE");
    t.prompter.shown.clear();
    t.prompter.answers = {app::mb::Yes};
    f.btnDelete->click();
    ASSERT_EQ(t.prompter.shown.size(), 2u);
    EXPECT_EQ(lastMessage().text, linked);
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE rectype_name = 'SPARE'"), "1");
    EXPECT_TRUE(rows(f).contains("|" + spare + "|SPARE"));
}

TEST_F(RecTypeWindows, OnlyACheckOfExactlyOneBlocksTheDelete) {
    load();
    rectypes::RecTypeListWindow& f = openList();
    select(f, "CONSENT FORMS");
    for (const int check : {2, 0}) {
        connection->answer = [check](const QString& text) -> db::RecordsetPtr {
            if (!text.startsWith("dbRecords.dbo.spRectype_chkID")) return nullptr;
            return std::make_unique<db::Recordset>(QStringList{"chkRecType"},
                                                   std::vector<db::Row>{{QVariant(check)}});
        };
        t.prompter.shown.clear();
        t.prompter.answers = {app::mb::No};
        f.btnDelete->click();
        ASSERT_EQ(t.prompter.shown.size(), 1u) << check;
        EXPECT_EQ(lastMessage().text, "Selected Record Type will be deleted.  Are you sure?");
    }
}

TEST_F(RecTypeWindows, FailingStatementsShowTheirDescriptionAndNoSuccess) {
    load();
    rectypes::RecTypeListWindow& f = openList();
    connection->failWhen = [](const QString& s) {
        return s.startsWith(" UPDATE") || s.startsWith("INSERT");
    };
    int result = runDialog(f.btnEdit, [&](QDialog& d) { press(d, "btnUpdate"); });
    EXPECT_NE(result, QDialog::Accepted);
    EXPECT_EQ(lastMessage().text, "Scripted failure");
    result = runDialog(f.btnAdd, [&](QDialog& d) {
        type(d, "txtName", "NEW TYPE");
        press(d, "btnOk");
    });
    EXPECT_NE(result, QDialog::Accepted);
    EXPECT_EQ(lastMessage().text, "Scripted failure");
    for (const auto& m : t.prompter.shown) EXPECT_FALSE(m.text.contains("successfully"));
}

TEST_F(RecTypeWindows, TheModalOpenerShowsTheListOfTheCurrentDepartmentOverItsOwner) {
    load("HUMAN RESOURCES");
    ASSERT_TRUE(w->openRecordTypesModal);
    QWidget owner;
    QStringList seen;
    whileDialog = [&](QDialog& d) {
        auto& list = static_cast<rectypes::RecTypeListWindow&>(d);
        seen = rows(list);
        EXPECT_EQ(d.parentWidget(), &owner);
    };
    w->openRecordTypesModal(&owner);
    EXPECT_EQ(dialogsRun, std::vector<QString>{"frmRectype"});
    EXPECT_EQ(modalSeen, std::vector<bool>{true});
    EXPECT_EQ(seen, QStringList({"|7|EMPLOYMENT CONTRACT", "|9|PERFORMANCE EVALUATION",
                                 "*|8|PERSONAL DATA SHEET"}));
}
