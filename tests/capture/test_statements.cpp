// The statements of record capture against the texts they must send, written out here in full
// (quotes inside values doubled), and the reading of the search text.
#include "capture/AdmissionSearch.h"
#include "records/CaptureStatements.h"

#include <gtest/gtest.h>

using records::AdmissionScope;

namespace {

// The select list and the tail of the admission search, fragment by fragment.
const QString S = "SELECT top 500 PD.IdNum,PD.HospNum,IsNull(RTRIM(M.Lastname),'') as Lastname,"
                  "IsNull(RTRIM(M.Firstname),'') as Firstname,IsNull(RTRIM(M.Middlename),'') as "
                  "Middlename, IsNull(CONVERT(varchar(10),PD.AdmDate,101),'') as AdmDate, "
                  "IsNull(CONVERT(varchar(10),PD.DcrDate,101),'') as DcrDate,PD.AdmDate as "
                  "PDAdmDate ";
const QString W0 = " LEFT OUTER JOIN PATIENT_DATA.dbo.tbMaster M with(NOLOCK) ON "
                   "PD.HospNum=M.HospNum   WHERE  pd.hospnum <> ''   ";
const QString IN = " FROM PATIENT_DATA.dbo.tbPatient PD with(NOLOCK) ";
const QString OUT = " FROM PATIENT_DATA.dbo.tbOutPatient PD with(NOLOCK) ";
const QString BY_NAME = " ORDER BY Lastname, Firstname, Middlename";
const QString BY_DATE = " ORDER BY  PDAdmDate desc";

struct SearchCase {
    const char* text;
    const char* date;
    bool outPatients;
    bool byDate;
    QString expected;
};

TEST(AdmissionSearchStatement, EachKindOfSearchTextGivesItsStatement) {
    const QString idT = " and PD.IDNum = '12345T'";
    const SearchCase cases[] = {
        {"12345", "", true, false, S + IN + W0 + " and PD.IDNum = '12345'" + BY_NAME},
        {"12345T", "", true, false, S + IN + W0 + idT + BY_NAME},
        {"12345t", "", false, true, S + IN + W0 + " and PD.IDNum = '12345t'" + BY_DATE},
        // B: out-patients only, whatever the box says.
        {"31245B", "", false, false, S + OUT + W0 + " and PD.IDNum = '31245B'" + BY_NAME},
        // A lone T or B is a last name.
        {"T", "", false, false, S + IN + W0 + " and LastName LIKE '%T%'" + BY_NAME},
        {"B", "", true, false,
         S + OUT + W0 + " and LastName LIKE '%B%'" + " UNION ALL " + S + IN + W0 +
             " and LastName LIKE '%B%'" + BY_NAME},
        {"Garcia , Ana ", "", false, false,
         S + IN + W0 + " and LastName LIKE '%Garcia%' and FirstName LIKE '%Ana%'" + BY_NAME},
        {"O'Brien", "", false, false, S + IN + W0 + " and LastName LIKE '%O''Brien%'" + BY_NAME},
        // LIKE's wildcards typed in a name stand for themselves.
        {"100%_[x], a_b'%", "", false, false,
         S + IN + W0 + " and LastName LIKE '%100[%][_][[]x]%' and FirstName LIKE '%a[_]b''[%]%'" +
             BY_NAME},
        // Empty text, out-patients: both halves, each with its own top 500.
        {"", "", true, false, S + OUT + W0 + " UNION ALL " + S + IN + W0 + BY_NAME},
        {"", "3/14/2025", false, false,
         S + IN + W0 + " and CONVERT(varchar(10),PD.AdmDate,101) = '03/14/2025'" + BY_NAME},
        // An invalid date does not filter.
        {"Smith", "13/45/2025", false, false, S + IN + W0 + " and LastName LIKE '%Smith%'" + BY_NAME},
    };
    for (const SearchCase& c : cases) {
        const auto a = capture::classifyAdmissionSearch(QString::fromUtf8(c.text),
                                                        QString::fromUtf8(c.date), c.outPatients,
                                                        c.byDate);
        EXPECT_EQ(records::searchAdmissions(a), c.expected) << c.text;
    }
}

TEST(AdmissionSearchStatement, NameSplitsAtTheFirstCommaOnly) {
    const auto a = capture::classifyAdmissionSearch("Dela Cruz, Juan, Jr", "", false, false);
    EXPECT_EQ(a.lastName, "Dela Cruz");
    EXPECT_EQ(a.firstName, "Juan, Jr");
    EXPECT_EQ(a.scope, AdmissionScope::Default);
    const auto b = capture::classifyAdmissionSearch("12,345", "", false, false);
    EXPECT_EQ(b.id, "12,345"); // the locale's grouping still reads as a number
}

TEST(FilingStatements, TextsAsSpecifiedWithQuotesDoubled) {
    EXPECT_EQ(records::selectRecordTypesForFiling(""),
              "SELECT rectype_id, rectype_name, rectype_default FROM dbRecords..tblRecType where "
              "DepartmentID = '' or DepartmentID is null ORDER BY rectype_name ");
    EXPECT_EQ(records::selectRecordTypesForFiling("HRD"),
              "SELECT rectype_id, rectype_name, rectype_default FROM dbRecords..tblRecType where "
              "DepartmentID = 'HRD' ORDER BY rectype_name ");
    EXPECT_EQ(records::checkScanned("55", 7), "dbRecords.dbo.sp_CheckScanned '55','7'");
    EXPECT_EQ(records::deleteRecordTypeRows("O'Brien", 12),
              "dbRecords.dbo.sp_FileDelete 'O''Brien','12'");
    EXPECT_EQ(records::insertRecordFile("55", "\\2008\\2008-11-25\\55-7.tif", 7, "1001",
                                        "Dr. O'Brien's notes", "2008-11-25"),
              "INSERT INTO dbRecords.dbo.tblRecFiles(admission_id, file_name, rectype_id, "
              "EmployeeID,Description,date_created,date_updated)  VALUES('55',"
              "'\\2008\\2008-11-25\\55-7.tif','7','1001','Dr. O''Brien''s notes','2008-11-25',"
              "getdate())");
    EXPECT_EQ(records::selectBrowseRows("PayrollDB", "tbpmaster", "EmpNum, LastName", "LastName",
                                        "O'N", "LastName"),
              "SELECT EmpNum, LastName FROM PayrollDB..tbpmaster WHERE LastName LIKE '%O''N%' "
              "ORDER BY LastName");
    EXPECT_EQ(records::selectBrowseRows("PayrollDB", "tbpmaster", "EmpNum, LastName", "LastName",
                                        "5[0]_%'", "LastName"),
              "SELECT EmpNum, LastName FROM PayrollDB..tbpmaster WHERE LastName LIKE "
              "'%5[[]0][_][%]''%' ORDER BY LastName");
}

} // namespace
