// Values typed by users go into statements through db::quote(): whatever they contain, the
// statement neither fails nor does anything but what it says.
#include "EmbeddedFixture.h"
#include "StatementCorpus.h"
#include "records/CurrentUserStatements.h"

using namespace corpus;

namespace {

class HostileValues : public dbtest::EmbeddedTest {
protected:
    QString fileCount() { return scalar("SELECT count(*) FROM dbRecords..tblRecFiles"); }
    QString typeCount() { return scalar("SELECT count(*) FROM dbRecords..tblRecType"); }

    static QStringList values() {
        return {"O'Brien",
                "'; DROP TABLE tblRecFiles --",
                "x' OR '1'='1",
                "%",
                "_",
                "[",
                "a]b[^c",
                "\\\\server\\share",
                QString(10000, QChar('y')) + "'",
                QString::fromUtf8("Müller"),
                QString::fromUtf8("Nguyễn"),
                "line\nbreak\ttab",
                "/* not a comment */ -- nor this"};
    }
};

TEST_F(HostileValues, SearchesRunAndMatchOnlyLiterally) {
    for (const QString& v : values()) {
        SCOPED_TRACE(v.left(40).toStdString());
        EXPECT_NO_THROW(rows(admissionSearchFor(v)));
        EXPECT_NO_THROW(rows(admissionSearchFor(v + ", " + v, {}, true, true)));
        RecordSearch r;
        r.admNo = v;
        r.hospNum = v;
        r.patName = v;
        r.description = v;
        r.includeOutPatients = true;
        EXPECT_TRUE(rows(recordSearch(r)).empty());
        RecordSearch d;
        d.patientMode = false;
        d.department = v;
        EXPECT_TRUE(rows(recordSearch(d)).empty());
        EXPECT_TRUE(rows(records::selectEmployeeFullName(v)).empty());
        EXPECT_TRUE(rows(records::selectEmployeeDepartments(v)).empty());
        EXPECT_TRUE(rows(records::selectSecondDepartmentAssignment(v)).empty());
        EXPECT_TRUE(rows(records::selectSignInEmployee(v)).empty());
        EXPECT_TRUE(rows(records::selectEmployeeInDepartment(v, v)).empty());
        EXPECT_TRUE(rows(records::selectEmployeeInDepartment("1001", v)).empty());
        EXPECT_TRUE(rows(records::selectFileNamesOfRecordType(v, 1)).empty());
        EXPECT_EQ(scalar(checkScanned(v, 1)), "0");
    }
    EXPECT_EQ(fileCount(), "12");
    // A wildcard typed into a contains-search is a wildcard, as on SQL Server: every
    // in-patient admission whose patient has a last name (39 less the one missing from the
    // patient master).
    EXPECT_EQ(column(admissionSearchFor("%"), "IdNum").size(), 38);
    EXPECT_EQ(column(admissionSearchFor("müller"), "IdNum").size(), 2);
}

TEST_F(HostileValues, ChangesStoreTheValuesExactly) {
    int id = 10;
    for (const QString& v : values()) {
        SCOPED_TRACE(v.left(40).toStdString());
        long n = 0;
        conn->execute(addType(v, v, v, "HRD"), &n);
        ASSERT_EQ(n, 1);
        EXPECT_EQ(rows(duplicateType(v, "HRD")).size(), 1u);
        auto rs = conn->open(getType(QString::number(id)), db::kClientReadOnly);
        EXPECT_EQ(rs->text("rectype_name"), v);
        EXPECT_EQ(rs->text("rectype_desc"), v);
        conn->execute(updateType(v + v, v, v, QString::number(id), "HRD"), &n);
        EXPECT_EQ(n, 1);

        conn->execute(insertRecordFile(v, v, 1, v, v, QDate(2026, 1, 2)), &n);
        ASSERT_EQ(n, 1);
        EXPECT_EQ(column(records::selectFileNamesOfRecordType(v, 1), "file_name"), QStringList{v});
        EXPECT_EQ(scalar(checkScanned(v, 1)), "1");
        conn->execute(fileDelete(v, 1), &n);
        EXPECT_EQ(n, 1);
        conn->execute(records::stampSavedRecordFile(v, v), &n);
        EXPECT_EQ(n, 0);
        conn->execute(deleteRecord(v), &n);
        EXPECT_EQ(n, 0);
        ++id;
    }
    EXPECT_EQ(fileCount(), "12");
    EXPECT_EQ(typeCount(), QString::number(9 + values().size()));
}

TEST_F(HostileValues, ProcedureArgumentsAreValuesNeverStatements) {
    for (const QString& v : values()) {
        SCOPED_TRACE(v.left(40).toStdString());
        // An id that is not a number fails as SQL Server's int parameter does.
        try {
            conn->execute(setDefaultType(v));
            ADD_FAILURE();
        } catch (const db::Error& e) {
            EXPECT_EQ(e.number(), 8114);
        }
        try {
            conn->execute(deleteType(v));
            ADD_FAILURE();
        } catch (const db::Error& e) {
            EXPECT_EQ(e.number(), 8114);
        }
    }
    EXPECT_EQ(typeCount(), "9");
}

} // namespace

// A NUL cannot stand in statement text (the embedded engine and the server's client library
// both end the text there): quoting drops it, so the rest of the value still arrives whole.
TEST_F(HostileValues, QuotingDropsNulCharacters) {
    const QString v = QString("a") + QChar(0) + "'b" + QChar(0);
    EXPECT_EQ(db::quote(v), "a''b");
    conn->execute("UPDATE dbRecords..tblRecFiles SET Description = '" + db::quote(v) +
                  "' WHERE recfile_id = 1");
    EXPECT_EQ(scalar("SELECT Description FROM dbRecords..tblRecFiles WHERE recfile_id = 1"), "a'b");
}
