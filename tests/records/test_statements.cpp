// Every statement text, written out in full: a changed fragment, a lost blank or a value
// that escapes its quotes fails here. Values with quotes show the quoting: each ' doubled.
#include "records/CurrentUserStatements.h"
#include "records/HistoryStatements.h"
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
        "CREATE TABLE dbRecords.dbo.tblRecHistory (history_id int IDENTITY(1, 1) NOT NULL "
        "CONSTRAINT PK_tblRecHistory PRIMARY KEY, at datetime NOT NULL, employee varchar(20) "
        "NULL, workstation varchar(100) NULL, access_type varchar(30) NULL, department "
        "varchar(50) NULL, action varchar(30) NOT NULL, recfile_id int NULL, admission_id "
        "varchar(50) NULL, hosp_num varchar(50) NULL, file_name varchar(150) NULL, pages "
        "varchar(200) NULL, details varchar(1000) NULL)",
        "CREATE INDEX by_history_recfile_at ON dbRecords.dbo.tblRecHistory (recfile_id, at)",
        "CREATE INDEX by_history_hosp_num_at ON dbRecords.dbo.tblRecHistory (hosp_num, at)",
        "CREATE INDEX by_history_employee_at ON dbRecords.dbo.tblRecHistory (employee, at)",
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

namespace {

TEST(RecordsStatements, AccessHistory) {
    using namespace records;
    HistoryRow live;
    live.employee = "1001";
    live.workstation = "WS-1";
    live.accessType = "medical records";
    live.department = "19";
    live.action = "open record";
    live.recFileId = 12;
    live.admissionId = "250123";
    live.hospitalNumber = "O'Neil";
    live.fileName = "\\2025\\250123-1.tif";
    HistoryRow late;
    late.action = "record search";
    late.details = "ID = x' OR '1'='1";
    late.at = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53, 589));
    HistoryFilter all;
    all.recFileId = 12;
    all.admissionId = "250123";
    all.hospitalNumber = "O'Neil";
    all.employee = "1001";
    all.from = QDate(2026, 1, 1);
    all.to = QDate(2026, 1, 31);
    all.limit = 50;
    expectAll({
        {"rows: the server's time, then a late row's own; empty values are NULL",
         insertHistoryRows({live, late}),
         "INSERT INTO dbRecords..tblRecHistory (at, employee, workstation, access_type, "
         "department, action, recfile_id, admission_id, hosp_num, file_name, pages, details) "
         "VALUES (GETDATE(), '1001', 'WS-1', 'medical records', '19', 'open record', 12, "
         "'250123', 'O''Neil', '\\2025\\250123-1.tif', NULL, NULL), ('2026-03-14 "
         "09:26:53.589', NULL, NULL, NULL, NULL, 'record search', NULL, NULL, NULL, NULL, NULL, "
         "'ID = x'' OR ''1''=''1')"},
        {"history, every filter", selectHistory(all),
         "SELECT TOP 50 history_id, at, employee, workstation, access_type, department, action, "
         "recfile_id, admission_id, hosp_num, file_name, pages, details FROM "
         "dbRecords..tblRecHistory WHERE recfile_id = 12 AND admission_id = '250123' AND "
         "hosp_num = 'O''Neil' AND employee = '1001' AND at >= '2026-01-01' AND at < "
         "'2026-02-01' ORDER BY at DESC, history_id DESC"},
        {"history, no filter", selectHistory({}),
         "SELECT TOP 5000 history_id, at, employee, workstation, access_type, department, "
         "action, recfile_id, admission_id, hosp_num, file_name, pages, details FROM "
         "dbRecords..tblRecHistory ORDER BY at DESC, history_id DESC"},
        {"patient access", selectPatientAccess("O'Neil", QDate(2026, 2, 1), QDate(2026, 2, 28)),
         "SELECT employee, action, COUNT(*) AS times, MIN(at) AS first_at, MAX(at) AS last_at "
         "FROM dbRecords..tblRecHistory WHERE hosp_num = 'O''Neil' AND action IN ('record "
         "search', 'admission search', 'open record') AND at >= '2026-02-01' AND at < "
         "'2026-03-01' GROUP BY employee, action ORDER BY employee, action"},
    });
}

} // namespace
