// The record type statements against the texts the administration is known by. Where the
// known texts compare DepartmentID itself, these compare isnull(DepartmentID,''), as the
// list does; and the delete carries its own in-use check.
#include "records/RecTypeStatements.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* what;
    QString statement;
    QString expected;
};

} // namespace

TEST(RecTypeStatements, EachStatementAsSentWithQuotesInsideValuesDoubled) {
    const Case cases[] = {
        {"list of medical records",
         records::selectDepartmentRecordTypes(""),
         "SELECT rectype_id, rectype_name, rectype_default FROM dbRecords..tblRecType where "
         "isnull(DepartmentID,'') = '' ORDER BY rectype_name "},
        {"list of a department with a quote in its id",
         records::selectDepartmentRecordTypes("H'R"),
         "SELECT rectype_id, rectype_name, rectype_default FROM dbRecords..tblRecType where "
         "isnull(DepartmentID,'') = 'H''R' ORDER BY rectype_name "},
        {"default", records::setDefaultRecordType(7), "dbRecords..spRectype_SetDefault '7'"},
        {"in-use check", records::checkRecordTypeInUse(12), "dbRecords.dbo.spRectype_chkID '12'"},
        {"delete with its check",
         records::deleteUnusedRecordType(5),
         "DELETE FROM dbRecords..tblRecType WHERE rectype_id='5' and NOT EXISTS (SELECT 1 FROM "
         "dbRecords.dbo.tblRecFiles WHERE rectype_id='5')"},
        {"duplicate check",
         records::selectRecordTypeNamed("O'NEIL FORMS", "HRD"),
         "SELECT 1 FROM dbRecords.dbo.tblRecType WHERE rectype_name='O''NEIL FORMS' and "
         "isnull(departmentid,'') = 'HRD'"},
        {"duplicate check of a renamed type",
         records::selectOtherRecordTypeNamed("O'NEIL FORMS", "", 4),
         "SELECT 1 FROM dbRecords.dbo.tblRecType WHERE rectype_name='O''NEIL FORMS' and "
         "isnull(departmentid,'') = '' and rectype_id <> '4'"},
        {"insert",
         records::insertRecordType("O'NEIL", "Dr. O'Neil's forms", "1001", ""),
         "INSERT INTO dbRecords..tblRecType(rectype_name, rectype_desc, user_created,departmentid) "
         "VALUES('O''NEIL','Dr. O''Neil''s forms','1001','')"},
        {"read one", records::getRecordType(3), "dbRecords..spRectype_Get '3'"},
        {"update",
         records::updateRecordType(4, "X'RAY", "it's", "9'001", "HRD"),
         " UPDATE dbRecords..tblRecType SET rectype_name='X''RAY', rectype_desc='it''s', "
         "date_updated=getdate(), user_updated='9''001' WHERE rectype_id='4' and "
         "isnull(DepartmentID,'')='HRD'"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.statement, c.expected) << c.what;
}
