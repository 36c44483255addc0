// The update command's statements (records::schemaUpdateStatements), sent one by one as
// the command sends them.
#include "EmbeddedFixture.h"
#include "db/SqliteSession.h"
#include "db/TsqlTranslator.h"
#include "records/SchemaUpdate.h"

#include <QFile>

namespace {

const QStringList kUpdateStatements = records::schemaUpdateStatements();

class SchemaUpdate : public dbtest::EmbeddedTest {
protected:
    // Runs every statement as the command does, collecting the failures: statement index and
    // error number.
    std::vector<std::pair<int, int>> runUpdate() {
        std::vector<std::pair<int, int>> failures;
        for (int i = 0; i < kUpdateStatements.size(); ++i) {
            try {
                conn->execute(kUpdateStatements[i]);
            } catch (const db::Error& e) {
                EXPECT_FALSE(e.description().isEmpty());
                EXPECT_EQ(e.statement(), kUpdateStatements[i]);
                failures.emplace_back(i + 1, e.number());
            }
        }
        return failures;
    }
};

TEST_F(SchemaUpdate, AFreshDatabaseIsAlreadyUpdated) {
    const auto failures = runUpdate();
    // Statements 1 and 2 succeed; every other change is already in place (the record lock
    // and access history tables too: 2714, an object of that name exists).
    EXPECT_EQ(failures, (std::vector<std::pair<int, int>>{{3, 1913},
                                                          {4, 1913},
                                                          {5, 2705},
                                                          {6, 2705},
                                                          {7, 1913},
                                                          {8, 2714},
                                                          {9, 2714},
                                                          {10, 1913},
                                                          {11, 1913},
                                                          {12, 1913}}));
    EXPECT_EQ(conn->currentDatabase(), "dbRecords");
    // A second run fails the same way and changes nothing.
    EXPECT_EQ(runUpdate(), failures);
    EXPECT_EQ(scalar("SELECT count(*) FROM tblRecFiles"), "12");
}

TEST_F(SchemaUpdate, MessagesReadLikeSqlServers) {
    conn->execute("USE [dbRecords]");
    try {
        conn->execute(records::createAdmissionIdIndex());
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.description(), "The operation failed because an index or statistics with name "
                                   "'by_IDNum' already exists on table 'dbo.tblRecFiles'.");
    }
    try {
        conn->execute(records::addDescriptionColumn());
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.description(), "Column names in each table must be unique. Column name "
                                   "'Description' in table 'tblRecFiles' is specified more "
                                   "than once.");
    }
}

TEST_F(SchemaUpdate, WithoutUseTheUnqualifiedIndexFails) {
    EXPECT_EQ(conn->currentDatabase(), "master");
    EXPECT_EQ(errorOf(records::createAdmissionIdIndex()), 1088);
}

// An older database: file_name narrower, no Description or DepartmentID, no indexes.
class OlderDatabase : public dbtest::EmbeddedTest {
protected:
    bool withDemoData() const override { return false; }
    void SetUp() override {
        EmbeddedTest::SetUp();
        conn.reset();
        for (const char* f : {"dbRecords"}) {
            const QString path = db::SqliteConnection::databaseFile(dir.path(), f);
            QFile::remove(path);
        }
        // The tables as an older installation has them.
        {
            db::SqliteSession s(db::SqliteConnection::databaseFile(dir.path(), "dbRecords"));
            s.runScript("CREATE TABLE tblRecFiles (recfile_id INTEGER PRIMARY KEY AUTOINCREMENT, "
                        "admission_id VARCHAR(50), file_name VARCHAR(100), rectype_id INTEGER, "
                        "EmployeeID VARCHAR(20), date_created DATETIME, date_updated DATETIME, "
                        "file_type VARCHAR(10));"
                        "CREATE TABLE tblRecType (rectype_id INTEGER PRIMARY KEY AUTOINCREMENT, "
                        "rectype_name VARCHAR(50), rectype_desc VARCHAR(150), rectype_default "
                        "BIT, user_created VARCHAR(20), date_updated DATETIME, user_updated "
                        "VARCHAR(20));"
                        "INSERT INTO tblRecFiles(admission_id, file_name) VALUES ('1', 'a.tif');");
        }
        conn = std::make_unique<db::SqliteConnection>(dir.path());
    }
};

TEST_F(OlderDatabase, UpdateAddsColumnsAndIndexesThenRunsClean) {
    std::vector<int> failed;
    for (int i = 0; i < kUpdateStatements.size(); ++i) {
        try {
            conn->execute(kUpdateStatements[i]);
        } catch (const db::Error& e) {
            failed.push_back(i + 1);
            ADD_FAILURE() << e.description().toStdString();
        }
    }
    EXPECT_TRUE(failed.empty());
    conn->execute("UPDATE dbRecords..tblRecFiles SET Description = 'D' WHERE admission_id = '1'");
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecFiles WHERE description = 'd'"), "1");
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE DepartmentID IS NULL"), "0");
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType"), "0");
    // The record lock table is made, its key the record's: a second lock of a record fails.
    conn->execute("INSERT INTO dbRecords..tblRecLocks (recfile_id, instance_id, taken, refreshed) "
                  "VALUES (5, 'a', '2008-11-25 14:05:00.000', '2008-11-25 14:05:00.000')");
    EXPECT_NE(errorOf("INSERT INTO dbRecords..tblRecLocks (recfile_id, instance_id, taken, "
                      "refreshed) VALUES (5, 'b', '2008-11-25 14:06:00.000', "
                      "'2008-11-25 14:06:00.000')"),
              0);
    // instance_id is NOT NULL.
    EXPECT_NE(errorOf("INSERT INTO dbRecords..tblRecLocks (recfile_id, taken, refreshed) "
                      "VALUES (6, '2008-11-25 14:05:00.000', '2008-11-25 14:05:00.000')"),
              0);
    EXPECT_EQ(scalar("SELECT CONVERT(varchar(23), refreshed, 121) FROM dbRecords..tblRecLocks "
                     "WHERE recfile_id = 5"),
              "2008-11-25 14:05:00.000");
    EXPECT_EQ(errorOf(kUpdateStatements[7]), 2714);
    // The access history table is made: its rows are numbered from 1, and a row without a
    // time takes the database's clock (GETDATE()).
    conn->execute("INSERT INTO dbRecords..tblRecHistory (at, action, hosp_num) VALUES "
                  "(GETDATE(), 'open record', 'H1')");
    conn->execute("INSERT INTO dbRecords..tblRecHistory (at, action, hosp_num) VALUES "
                  "('2008-11-25 14:05:00.000', 'print', 'h1')");
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecHistory WHERE hosp_num = 'h1' AND "
                     "history_id IN (1, 2)"),
              "2");
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecHistory WHERE at >= '" +
                     QDate::currentDate().toString("yyyy-MM-dd") + "'"),
              "1");
    EXPECT_NE(errorOf("INSERT INTO dbRecords..tblRecHistory (at) VALUES (GETDATE())"), 0);
    EXPECT_EQ(errorOf(kUpdateStatements[8]), 2714);
    // The new indexes are in place: the second run meets them.
    int already = 0;
    for (int i : {2, 3, 6, 9, 10, 11}) {
        try {
            conn->execute(kUpdateStatements[i]);
        } catch (const db::Error& e) {
            already += e.number() == 1913;
        }
    }
    EXPECT_EQ(already, 6);
}

TEST_F(OlderDatabase, NarrowingAColumnBelowItsDataFails) {
    conn->execute("UPDATE dbRecords..tblRecFiles SET file_name = '" + QString(40, 'x') + "'");
    EXPECT_EQ(errorOf("alter table dbrecords..tblrecfiles alter column file_name varchar(20)"),
              8152);
    EXPECT_EQ(errorOf("alter table dbrecords..tblrecfiles alter column file_name int"),
              db::kErrUnsupported);
    EXPECT_EQ(errorOf("alter table dbrecords..tblrecfiles alter column nothing varchar(5)"), 4924);
}

} // namespace
