// Every statement the program sends, built as its windows build them, run on the embedded
// backend against the demo data. Expected rows come from the demo data set (docs/database.md).
#include "StatementCorpus.h"

#include "EmbeddedFixture.h"

#include <QDateTime>
#include <set>

using namespace corpus;

namespace {

class Corpus : public dbtest::EmbeddedTest {};

TEST_F(Corpus, StartUpLookups) {
    EXPECT_EQ(column(records::selectEmployeeFullName("1001"), "FullName"), QStringList{"Santos, Maria Lopez"});
    // An empty middle name leaves the trailing blank; callers trim.
    EXPECT_EQ(column(records::selectEmployeeFullName("1002"), "FullName"), QStringList{"Reyes, Jose "});
    EXPECT_EQ(column(records::selectEmployeeFullName("2001"), "FullName"), QStringList{"O'Brien, Kathleen Anne"});
    EXPECT_TRUE(column(records::selectEmployeeFullName("4040"), "FullName").isEmpty());

    EXPECT_EQ(column(records::selectSecondDepartmentAssignment("3001"), "department"), QStringList{"HUMAN RESOURCES"});
    EXPECT_EQ(column(records::selectSecondDepartmentAssignment("9001"), "department"), QStringList{"MEDICAL RECORDS"});
    EXPECT_TRUE(column(records::selectSecondDepartmentAssignment("4040"), "department").isEmpty());

    auto rs = conn->open(records::selectEmployeeDepartments("1001"), db::kForwardReadOnly);
    std::set<std::pair<QString, QString>> got;
    for (; !rs->eof(); rs->moveNext())
        got.insert({rs->text("DepartmentID"), rs->text("Department")});
    EXPECT_EQ(got, (std::set<std::pair<QString, QString>>{{"19", "MEDICAL RECORDS"},
                                                          {"HRD", "HUMAN RESOURCES"}}));
    EXPECT_EQ(rows(records::selectEmployeeDepartments("2001")), (std::vector<QStringList>{{"16", "NURSING"}}));

    EXPECT_EQ(column(records::selectFileNamesOfRecordType("250123", 2), "file_name"),
              QStringList{"\\2025\\2025-03-14\\250123-2.tif"});
    EXPECT_EQ(column(records::selectFileNamesOfRecordType("5012", 7), "file_name"),
              QStringList{"\\2025\\2025-06-02\\5012-7.tif"});
    EXPECT_TRUE(column(records::selectFileNamesOfRecordType("250123", 5), "file_name").isEmpty());
}

TEST_F(Corpus, AdmissionSearchById) {
    EXPECT_EQ(rows(admissionSearchFor("250123")),
              (std::vector<QStringList>{{"250123", "100101", "Garcia", "Maria", "Santos",
                                         "03/14/2025", "03/19/2025", "2025-03-14T09:15:00.000"}}));
    // "t" suffix: in-patients only; the id matches regardless of case.
    EXPECT_EQ(column(admissionSearchFor("240456t"), "IdNum"), QStringList{"240456T"});
    // "B" suffix: out-patients only, whatever the out-patient box says.
    EXPECT_EQ(column(admissionSearchFor("31245B", {}, false), "IdNum"), QStringList{"31245B"});
    EXPECT_TRUE(column(admissionSearchFor("31245"), "IdNum").isEmpty());
}

TEST_F(Corpus, AdmissionSearchByName) {
    EXPECT_EQ(column(admissionSearchFor("garcia"), "Firstname"),
              (QStringList{"Ana", "Jose", "Jose", "Maria", "Maria", "Maria", "Roberto"}));
    EXPECT_EQ(column(admissionSearchFor("Garcia, Maria", {}, true, true), "IdNum"),
              (QStringList{"260633", "31245B", "250123", "230112"}));
    EXPECT_EQ(column(admissionSearchFor("o'brien"), "Firstname"),
              (QStringList{"Mary", "Patrick", "Patrick", "Patrick"}));
    EXPECT_EQ(column(admissionSearchFor("MÜLLER"), "IdNum").size(), 2);
    EXPECT_EQ(column(admissionSearchFor("Nguyễn"), "IdNum"), QStringList{"260130"});
    // A NULL middle name comes back empty.
    EXPECT_EQ(rows(admissionSearchFor("Ramos, Isabel")),
              (std::vector<QStringList>{{"260402", "100119", "Ramos", "Isabel", "", "06/22/2026",
                                         "06/25/2026", "2026-06-22T10:45:00.000"}}));
}

TEST_F(Corpus, AdmissionSearchByDateAndWithoutText) {
    // The only admission of that day has no hospital number and is never listed.
    EXPECT_TRUE(rows(admissionSearchFor("", "11/28/2026")).empty());
    // Still admitted: no discharge date.
    EXPECT_EQ(rows(admissionSearchFor("", "12/03/2026")),
              (std::vector<QStringList>{{"261201", "100108", "D'Souza", "Anil", "Kumar",
                                         "12/03/2026", "", "2026-12-03T11:20:00.000"}}));
    // All admissions with a hospital number: 39 in-patients and 20 out-patient visits. The one
    // whose patient is missing from the master sorts first with empty names.
    const auto all = rows(admissionSearchFor("", "", true));
    ASSERT_EQ(all.size(), 59u);
    EXPECT_EQ(all[0], (QStringList{"261150", "100199", "", "", "", "11/20/2026", "11/24/2026",
                                   "2026-11-20T09:00:00.000"}));
    EXPECT_EQ(rows(admissionSearchFor("")).size(), 39u);
}

TEST_F(Corpus, FilingAFile) {
    EXPECT_EQ(scalar(checkScanned("250123", 1)), "1");
    EXPECT_EQ(scalar(checkScanned("250123", 5)), "0");
    long n = -1;
    conn->execute(fileDelete("250123", 1), &n);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(scalar(checkScanned("250123", 1)), "0");

    conn->execute(
        insertRecordFile("55", "\\2008\\2008-11-25\\55-7.tif", 7, "1001", "", QDate(2008, 11, 25)),
        &n);
    EXPECT_EQ(n, 1);
    auto rs = conn->execute("SELECT recfile_id, file_name, rectype_id, date_created, "
                            "date_updated FROM dbRecords..tblRecFiles WHERE admission_id='55'");
    ASSERT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(rs->value("recfile_id").toInt(), 13); // after the 12 demo rows
    EXPECT_EQ(rs->text("file_name"), "\\2008\\2008-11-25\\55-7.tif");
    EXPECT_EQ(rs->value("rectype_id").toInt(), 7);
    EXPECT_EQ(rs->value("date_created").toDateTime(), QDateTime(QDate(2008, 11, 25), QTime(0, 0)));
    EXPECT_LE(qAbs(rs->value("date_updated").toDateTime().secsTo(QDateTime::currentDateTime())), 5);
}

TEST_F(Corpus, RecordTypeLists) {
    auto names = [&](const QString& s) { return column(s, "rectype_name"); };
    const QStringList medical = {"ADMISSION RECORD",   "CONSENT FORMS",    "DISCHARGE SUMMARY",
                                 "LABORATORY RESULTS", "OPERATIVE REPORT", "RADIOLOGY REPORT"};
    EXPECT_EQ(names(recordTypeList("", true)), medical);
    EXPECT_EQ(names(recordTypeAdminList("")), medical);
    // Lists that compare with the empty text leave out the NULL-department types.
    EXPECT_EQ(names(recordTypeList("", false)),
              (QStringList{"CONSENT FORMS", "DISCHARGE SUMMARY", "OPERATIVE REPORT"}));
    EXPECT_EQ(
        names(recordTypeList("HRD", false)),
        (QStringList{"EMPLOYMENT CONTRACT", "PERFORMANCE EVALUATION", "PERSONAL DATA SHEET"}));
    EXPECT_TRUE(names(recordTypeList("16", false)).isEmpty());

    auto rs = conn->open(recordTypeList("HRD", false), db::kClientReadOnly);
    QStringList defaults;
    for (; !rs->eof(); rs->moveNext())
        if (rs->value("rectype_default").toBool())
            defaults << rs->text("rectype_name") + "=" + rs->text("rectype_id");
    EXPECT_EQ(defaults, QStringList{"PERSONAL DATA SHEET=8"});

    EXPECT_EQ(rows(payrollBrowse("vill")),
              (std::vector<QStringList>{{"5012", "Villareal", "Antonio", "Reyes"},
                                        {"5013", "Villareal", "Corazon", ""}}));
}

TEST_F(Corpus, RecordSearchPatientMode) {
    RecordSearch r;
    auto rs = conn->execute(recordSearch(r));
    EXPECT_EQ(rs->fieldCount(), 17);
    EXPECT_EQ(rs->fieldNames().mid(6, 4),
              (QStringList{"RecDate", "UpdateDate", "Rectype_Name", "Description"}));
    // In-patient files of medical-records types, and the one whose type no longer exists.
    EXPECT_EQ(column(recordSearch(r), "LastName"),
              (QStringList{"D'Souza", "Garcia", "Garcia", "Garcia", "Garcia", "Mendoza", "Müller",
                           "O'Brien"}));
    r.includeOutPatients = true;
    r.orderByDate = true;
    EXPECT_EQ(column(recordSearch(r), "recfile_id").mid(0, 4), (QStringList{"9", "5", "7", "8"}));
    EXPECT_EQ(column(recordSearch(r), "recfile_id").mid(7), (QStringList{"4", "6"}));

    const auto row = rows(recordSearch(byAdmissionId("260045")));
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0], (QStringList{"5", "260045", "4", "\\2026\\2026-01-19\\260045-4.tif", "NULL",
                                   "1001", "01/19/2026", "Jan 25 2026  4:45PM", "OPERATIVE REPORT",
                                   "Appendectomy - O'Brien", "100106", "O'Brien", "Patrick", "Sean",
                                   "01/19/2026", "01/24/2026", "2026-01-19T05:50:00.000"}));
    EXPECT_EQ(column(recordSearch(byAdmissionId("250301")), "Rectype_Name"), QStringList{""});
}

TEST_F(Corpus, RecordSearchCriteria) {
    auto ids = [&](const RecordSearch& r) {
        QStringList l = column(recordSearch(r), "recfile_id");
        l.sort();
        return l;
    };
    RecordSearch byName;
    byName.patName = "garcia, maria";
    EXPECT_EQ(ids(byName), (QStringList{"1", "2", "3"}));
    byName.includeOutPatients = true;
    EXPECT_EQ(ids(byName), (QStringList{"1", "2", "3", "7"}));
    RecordSearch lastOnly;
    lastOnly.patName = "o'b";
    EXPECT_EQ(ids(lastOnly), QStringList{"5"});

    RecordSearch combined;
    combined.admNo = " 250123 ";
    combined.hospNum = "100101";
    combined.rectypeId = 2;
    EXPECT_EQ(ids(combined), QStringList{"2"});

    RecordSearch description;
    description.description = "CONSENT";
    EXPECT_EQ(ids(description), QStringList{"9"});

    RecordSearch dates;
    dates.recDate = "03/14/2025";
    EXPECT_EQ(ids(dates), (QStringList{"1", "2", "3"}));
    dates.scanDate = "03/20/2025";
    EXPECT_EQ(ids(dates), (QStringList{"1", "2"}));

    RecordSearch admitted;
    admitted.admDate = "01/19/2026";
    EXPECT_EQ(ids(admitted), QStringList{"5"});
    admitted.admDate = "1/19/2026"; // typed form: compared in two-digit form, so no match
    EXPECT_TRUE(ids(admitted).isEmpty());
}

TEST_F(Corpus, RecordSearchDepartmentMode) {
    RecordSearch r;
    r.patientMode = false;
    r.department = "HRD";
    auto rs = conn->execute(recordSearch(r));
    EXPECT_EQ(rs->fieldCount(), 10);
    const QStringList byType = column(recordSearch(r), "recfile_id");
    ASSERT_EQ(byType.size(), 3);
    EXPECT_EQ(QSet<QString>(byType.begin(), byType.begin() + 2), (QSet<QString>{"11", "12"}));
    EXPECT_EQ(byType[2], "10");
    r.orderByDate = true;
    EXPECT_EQ(column(recordSearch(r), "RecDate"),
              (QStringList{"02/10/2026", "06/02/2025", "06/02/2025"}));
    r.rectypeId = 7;
    EXPECT_EQ(column(recordSearch(r), "Description"), QStringList{"Villareal"});
    r.department = "16";
    r.rectypeId = 0;
    EXPECT_TRUE(rows(recordSearch(r)).empty());
}

TEST_F(Corpus, OpeningDeletingAndSavingARecord) {
    EXPECT_EQ(column(recordFileName("5"), "file_name"),
              QStringList{"\\2026\\2026-01-19\\260045-4.tif"});
    EXPECT_TRUE(column(recordFileName("999"), "file_name").isEmpty());
    EXPECT_TRUE(column(recordFileName(""), "file_name").isEmpty());

    long n = -1;
    conn->execute(deleteRecord("3"), &n);
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(column(recordFileName("3"), "file_name").isEmpty());
    conn->execute(deleteRecord(""), &n);
    EXPECT_EQ(n, 0);

    conn->execute(records::stampSavedRecordFile("E001", "42"), &n);
    EXPECT_EQ(n, 0);
    conn->execute(records::stampSavedRecordFile("9001", "5"), &n);
    EXPECT_EQ(n, 1);
    auto rs = conn->execute("SELECT EmployeeID, date_updated FROM dbRecords..tblRecFiles WHERE "
                            "recfile_id = 5");
    EXPECT_EQ(rs->text("EmployeeID"), "9001");
    EXPECT_LE(qAbs(rs->value("date_updated").toDateTime().secsTo(QDateTime::currentDateTime())), 5);
}

TEST_F(Corpus, RecordTypeAdministration) {
    // The duplicate check compares names without regard to case; NULL departments never match.
    EXPECT_EQ(rows(duplicateType("consent forms", "")).size(), 1u);
    EXPECT_TRUE(rows(duplicateType("ADMISSION RECORD", "")).empty());
    EXPECT_EQ(rows(duplicateType("PERSONAL DATA SHEET", "HRD")).size(), 1u);

    long n = 0;
    conn->execute(addType("DENTAL CHART", "Dental records", "1001", ""), &n);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(scalar("SELECT rectype_id FROM dbRecords..tblRecType WHERE rectype_name = "
                     "'DENTAL CHART'"),
              "10");
    EXPECT_TRUE(column(recordTypeAdminList(""), "rectype_name").contains("DENTAL CHART"));

    auto rs = conn->open(getType("8"), db::kClientReadOnly);
    EXPECT_EQ(rs->text("rectype_name"), "PERSONAL DATA SHEET");
    EXPECT_EQ(rs->text("rectype_desc"), "Personal data and 201 file");

    // A NULL-department type is not updated by the medical-records department's statement.
    conn->execute(updateType("ADMISSIONS", "x", "1001", "1", ""), &n);
    EXPECT_EQ(n, 0);
    conn->execute(updateType("DISCHARGE NOTES", "Notes", "1001", "2", ""), &n);
    EXPECT_EQ(n, 1);
    rs = conn->execute("SELECT rectype_name, user_updated, date_updated FROM "
                       "dbRecords..tblRecType WHERE rectype_id = 2");
    EXPECT_EQ(rs->text("rectype_name"), "DISCHARGE NOTES");
    EXPECT_EQ(rs->text("user_updated"), "1001");
    EXPECT_LE(qAbs(rs->value("date_updated").toDateTime().secsTo(QDateTime::currentDateTime())), 5);

    EXPECT_EQ(conn->open(typeInUse("2"))->value("chkRecType").toInt(), 1);
    EXPECT_EQ(conn->open(typeInUse("6"))->value("chkRecType").toInt(), 0);
    conn->execute(deleteType("6"), &n);
    EXPECT_EQ(n, 1);
    EXPECT_FALSE(column(recordTypeAdminList(""), "rectype_name").contains("RADIOLOGY REPORT"));
}

TEST_F(Corpus, ScanningReport) {
    EXPECT_EQ(rows(scanReport(QDate(2025, 3, 20), QDate(2025, 3, 21))),
              (std::vector<QStringList>{{"1", "9001", "Cruz", "Antonio", "Martin", "1"},
                                        {"2", "1001", "Santos", "Maria", "Lopez", "2"}}));
    EXPECT_EQ(rows(scanReport(QDate(2025, 6, 2), QDate(2025, 6, 2))),
              (std::vector<QStringList>{{"1", "3001", "D'Souza", "Priya", "", "2"}}));
    const auto all = rows(scanReport(QDate(2023, 1, 1), QDate(2026, 12, 31)));
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].mid(1), (QStringList{"9001", "Cruz", "Antonio", "Martin", "2"}));
    EXPECT_EQ(all[1].mid(1), (QStringList{"3001", "D'Souza", "Priya", "", "2"}));
    EXPECT_EQ(all[2].mid(1), (QStringList{"1001", "Santos", "Maria", "Lopez", "8"}));
    auto empty = conn->open(scanReport(QDate(2024, 1, 1), QDate(2024, 1, 31)), db::kClientReadOnly);
    EXPECT_TRUE(empty->isOpen());
    EXPECT_EQ(empty->fieldCount(), 6);
    EXPECT_TRUE(empty->eof() && empty->bof());
}

TEST_F(Corpus, MaintenanceRowIsUpdatable) {
    auto rs = conn->open(maintenanceRow("5"), db::kDynamicOptimistic);
    ASSERT_TRUE(rs->updatable());
    EXPECT_EQ(rs->fieldNames(),
              (QStringList{"recfile_id", "admission_id", "rectype_id", "file_name"}));
    rs->setValue("file_name", "\\2026\\2026-01-19\\260045-4b.tif");
    rs->update();
    EXPECT_EQ(column(recordFileName("5"), "file_name"),
              QStringList{"\\2026\\2026-01-19\\260045-4b.tif"});
    EXPECT_EQ(conn->open(maintenanceRow("999"), db::kDynamicOptimistic)->recordCount(), 0);
}

} // namespace
