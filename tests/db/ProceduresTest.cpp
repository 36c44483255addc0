// The stored procedures' contracts on the embedded database.
#include "EmbeddedFixture.h"

#include <QDateTime>

namespace {

class Procedures : public dbtest::EmbeddedTest {
protected:
    QStringList defaults() {
        QStringList l;
        auto rs = conn->execute("SELECT rectype_id FROM dbRecords..tblRecType WHERE "
                                "rectype_default = 1 ORDER BY rectype_id");
        for (; !rs->eof(); rs->moveNext())
            l << rs->text("rectype_id");
        return l;
    }
};

TEST_F(Procedures, CheckScannedAnswersOneRowWithScanRes) {
    auto rs = conn->execute("dbRecords.dbo.sp_CheckScanned '5012','8'");
    EXPECT_EQ(rs->fieldNames(), QStringList{"scanRes"});
    EXPECT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(rs->value("scanRes").toInt(), 1);
    EXPECT_EQ(conn->execute("dbRecords..sp_CheckScanned '5012','9'")->value(0).toInt(), 0);
    // Any record date counts; ids compare without regard to case.
    EXPECT_EQ(conn->execute("dbRecords..sp_CheckScanned '31245b','3'")->value(0).toInt(), 1);
}

TEST_F(Procedures, FileDeleteRemovesOnlyThatIdAndType) {
    long n = 0;
    conn->execute("dbRecords.dbo.sp_FileDelete '250123','2'", &n);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecFiles WHERE admission_id = '250123'"),
              "2");
    auto rs = conn->execute("dbRecords.dbo.sp_FileDelete '250123','2'");
    EXPECT_FALSE(rs->isOpen()); // returns no rows
}

TEST_F(Procedures, SetDefaultChangesOnlyItsDepartment) {
    EXPECT_EQ(defaults(), (QStringList{"2", "8"}));
    conn->execute("dbRecords..spRectype_SetDefault '3'"); // NULL department: medical records
    EXPECT_EQ(defaults(), (QStringList{"3", "8"}));
    conn->execute("dbRecords..spRectype_SetDefault '4'"); // '' department: medical records too
    EXPECT_EQ(defaults(), (QStringList{"4", "8"}));
    conn->execute("dbRecords..spRectype_SetDefault '7'");
    EXPECT_EQ(defaults(), (QStringList{"4", "7"}));
    conn->execute("dbRecords..spRectype_SetDefault '77'"); // no such type: nothing changes
    EXPECT_EQ(defaults(), (QStringList{"4", "7"}));
}

TEST_F(Procedures, TypeCheckGetAndDelete) {
    auto used = conn->open("dbRecords.dbo.spRectype_chkID '8'");
    EXPECT_EQ(used->fieldNames(), QStringList{"chkRecType"});
    EXPECT_EQ(used->value("chkRecType").toInt(), 1);
    EXPECT_EQ(conn->open("dbRecords.dbo.spRectype_chkID '9'")->value(0).toInt(), 0);

    auto type = conn->open("dbRecords..spRectype_Get '3'");
    EXPECT_EQ(type->fieldNames(), (QStringList{"rectype_name", "rectype_desc"}));
    EXPECT_EQ(type->text("rectype_name"), "LABORATORY RESULTS");
    EXPECT_EQ(type->text("rectype_desc"), "Laboratory and pathology results");
    EXPECT_TRUE(conn->open("dbRecords..spRectype_Get '99'")->eof());

    long n = 0;
    conn->execute("dbRecords..spRectype_delete '9'", &n);
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(conn->open("dbRecords..spRectype_Get '9'")->eof());
}

TEST_F(Procedures, ScanReportCountsByTheDayOfDateUpdatedInclusive) {
    auto rs = conn->open("dbRecords..sp_ScanReport '03/21/2025','03/21/2025'");
    EXPECT_EQ(rs->fieldCount(), 6);
    EXPECT_EQ(rs->fieldNames().mid(1),
              (QStringList{"EmployeeID", "LastName", "FirstName", "MiddleName", "ScannedDocs"}));
    ASSERT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(rs->text("EmployeeID"), "9001");
    EXPECT_EQ(rs->value("ScannedDocs").toInt(), 1);
    // A file stamped late on the last day still counts; an employee unknown to the user
    // table is listed with empty names; the end before the start gives no rows.
    conn->execute("INSERT INTO dbRecords..tblRecFiles(admission_id, rectype_id, EmployeeID, "
                  "date_updated) VALUES('x', 1, '7777', '2025-03-21 23:59:59.997')");
    EXPECT_EQ(rows("dbRecords..sp_ScanReport '03/20/2025','03/21/2025'"),
              (std::vector<QStringList>{{"1", "7777", "", "", "", "1"},
                                        {"2", "9001", "Cruz", "Antonio", "Martin", "1"},
                                        {"3", "1001", "Santos", "Maria", "Lopez", "2"}}));
    EXPECT_TRUE(rows("dbRecords..sp_ScanReport '03/21/2025','03/20/2025'").empty());
    EXPECT_EQ(errorOf("dbRecords..sp_ScanReport 'soon','03/20/2025'"), 8114);
}

TEST_F(Procedures, CallsThatDoNotFitTheContractFail) {
    EXPECT_EQ(errorOf("dbRecords..sp_CheckScanned '1'"), 201);
    EXPECT_EQ(errorOf("dbRecords..sp_CheckScanned '1','2','3'"), 8144);
    EXPECT_EQ(errorOf("dbRecords..sp_NoSuchThing '1'"), 2812);
    EXPECT_EQ(errorOf("Password..sp_CheckScanned '1','2'"), 2812);
    EXPECT_EQ(errorOf("dbRecords..sp_CheckScanned '1','two'"), 8114);
    // SQL Server turns an empty text into 0 for an int parameter.
    EXPECT_EQ(conn->execute("dbRecords..sp_CheckScanned '1',''")->value(0).toInt(), 0);
}

} // namespace
