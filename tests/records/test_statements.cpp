// Every statement text, written out in full: a changed fragment, a lost blank or a value
// that escapes its quotes fails here. Values with quotes show the quoting: each ' doubled.
#include "records/CurrentUserStatements.h"
#include "records/SchemaUpdate.h"
#include "records/Statements.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    QString built;
    const char* expected;
};

void expectAll(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.built, QString::fromUtf8(c.expected));
    }
}

TEST(RecordsStatements, StartUpDepartmentsStorageAndSaving) {
    using namespace records;
    expectAll({
        {"files of a record type", selectFileNamesOfRecordType("250123", 2),
         "SELECT file_name FROM dbRecords.dbo.tblRecFiles WHERE admission_id='250123' and "
         "rectype_id='2'    ORDER BY recfile_id"},
        {"files of a record type, quote in the id", selectFileNamesOfRecordType("O'Brien", 17),
         "SELECT file_name FROM dbRecords.dbo.tblRecFiles WHERE admission_id='O''Brien' and "
         "rectype_id='17'    ORDER BY recfile_id"},
        {"employee full name", selectEmployeeFullName("1001"),
         "SELECT top 1  Lastname + ', ' + FirstName + ' ' + MiddleName   AS FullName  FROM "
         "Password..tbPasswordMaster WITH (nolock) WHERE EmployeeID='1001' "},
        {"employee full name, injection attempt", selectEmployeeFullName("x' OR '1'='1"),
         "SELECT top 1  Lastname + ', ' + FirstName + ' ' + MiddleName   AS FullName  FROM "
         "Password..tbPasswordMaster WITH (nolock) WHERE EmployeeID='x'' OR ''1''=''1' "},
        {"second assignment", selectSecondDepartmentAssignment("1001"),
         "select  department from  Password..tbPasswordWoms  where EmployeeID = '1001'"},
        {"second assignment, quote", selectSecondDepartmentAssignment("'; DROP TABLE x --"),
         "select  department from  Password..tbPasswordWoms  where EmployeeID = '''; DROP "
         "TABLE x --'"},
        {"departments", selectEmployeeDepartments("1001"),
         "select m.DepartmentID,department from password..tbPasswordMain M left outer join "
         "Password..tbPasswordDepartment D on m.DepartmentID = d.DepartmentId where EmployeeID "
         "= '1001'"},
        {"departments, quote", selectEmployeeDepartments("D'Souza"),
         "select m.DepartmentID,department from password..tbPasswordMain M left outer join "
         "Password..tbPasswordDepartment D on m.DepartmentID = d.DepartmentId where EmployeeID "
         "= 'D''Souza'"},
        {"save stamp", stampSavedRecordFile("E001", "42"),
         "update dbRecords.dbo.tblRecFiles set date_updated=getdate(),employeeid='E001' where "
         "recfile_id='42'"},
        {"save stamp, quotes in both values", stampSavedRecordFile("E'1", "4'2"),
         "update dbRecords.dbo.tblRecFiles set date_updated=getdate(),employeeid='E''1' where "
         "recfile_id='4''2'"},
    });
}

TEST(RecordsStatements, SchemaUpdateInItsOrder) {
    const QStringList expected = {
        "alter table dbrecords..tblrecfiles alter column file_name varchar(150)",
        "USE [dbRecords]",
        "CREATE CLUSTERED INDEX [by_recfile_id] ON dbrecords.[dbo].[tblRecFiles]([recfile_id] "
        "ASC )WITH (PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, SORT_IN_TEMPDB = OFF, "
        "DROP_EXISTING = OFF, ONLINE = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON)",
        "CREATE NONCLUSTERED INDEX [by_IDNum] ON [dbo].[tblRecFiles](    [admission_id] ASC "
        ")WITH (PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, SORT_IN_TEMPDB = OFF, "
        "DROP_EXISTING = OFF, ONLINE = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON) ON "
        "[PRIMARY]",
        "alter table dbrecords..tblrecfiles add  Description varchar(150)",
        "alter table dbrecords..tblRecType add  DepartmentID varchar(50)",
        "CREATE  INDEX [by_Description] ON dbrecords.[dbo].[tblRecFiles]([recfile_id] ASC )WITH "
        "(PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, SORT_IN_TEMPDB = OFF, DROP_EXISTING = "
        "OFF, ONLINE = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON)",
        "CREATE TABLE dbRecords.dbo.tblRecLocks (recfile_id int NOT NULL CONSTRAINT "
        "PK_tblRecLocks PRIMARY KEY, EmployeeID varchar(20) NULL, EmployeeName varchar(100) "
        "NULL, workstation varchar(100) NULL, instance_id varchar(50) NOT NULL, taken datetime "
        "NOT NULL, refreshed datetime NOT NULL)",
    };
    EXPECT_EQ(records::schemaUpdateStatements(), expected);
    // The single functions are the list's entries, so callers naming one get the same text.
    EXPECT_EQ(records::useRecordsDatabase(), expected[1]);
    EXPECT_EQ(records::createAdmissionIdIndex(), expected[3]);
    EXPECT_EQ(records::addDescriptionColumn(), expected[4]);
}

TEST(RecordsStatements, SignInOfTheCurrentUserComponent) {
    using namespace records;
    expectAll({
        {"sign-in employee", selectSignInEmployee("1001"),
         "SELECT EmployeeID, ISNULL(Lastname,'') AS Lastname, ISNULL(FirstName,'') AS "
         "FirstName, ISNULL(MiddleName,'') AS MiddleName, ISNULL(PasswordHash,'') AS "
         "PasswordHash, ISNULL(UserRights,'') AS UserRights FROM Password..tbPasswordMaster "
         "WHERE EmployeeID='1001'"},
        {"sign-in employee, injection attempt", selectSignInEmployee("1001'; DROP TABLE t --"),
         "SELECT EmployeeID, ISNULL(Lastname,'') AS Lastname, ISNULL(FirstName,'') AS "
         "FirstName, ISNULL(MiddleName,'') AS MiddleName, ISNULL(PasswordHash,'') AS "
         "PasswordHash, ISNULL(UserRights,'') AS UserRights FROM Password..tbPasswordMaster "
         "WHERE EmployeeID='1001''; DROP TABLE t --'"},
        {"home department", selectEmployeeInDepartment("1001", "19"),
         "SELECT EmployeeID FROM Password..tbPasswordMain WHERE EmployeeID='1001' AND "
         "DepartmentID='19'"},
        {"home department, quotes", selectEmployeeInDepartment("a'b", "c'"),
         "SELECT EmployeeID FROM Password..tbPasswordMain WHERE EmployeeID='a''b' AND "
         "DepartmentID='c'''"},
    });
}

} // namespace
