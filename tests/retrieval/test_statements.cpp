// The retrieval and maintenance statements against the texts the records department's
// statements are known by, with quotes inside values doubled.
#include "records/RetrievalStatements.h"

#include <gtest/gtest.h>

using records::RecordSearchCriteria;

namespace {

const QString kSelect =
    "SELECT TOP 200 RF.recfile_id, RF.admission_id, RF.rectype_id, RF.file_name, RF.file_type, "
    "RF.EmployeeID, CONVERT(varchar(10),RF.date_created,101) as RecDate, "
    "CONVERT(varchar(30),RF.date_updated,100) as UpdateDate  , ISNULL(RT.rectype_name,'') as "
    "Rectype_Name, RF.Description";

QString patientColumnsAndJoins(const QString& table) {
    return ", ISNULL(Pat.HospNum,'') as HospNum , ISNULL(Lastname,'') as LastName, "
           "ISNULL(Firstname,'') as FirstName,ISNULL(Middlename,'') as MiddleName , "
           "IsNull(CONVERT(varchar(10),Pat.AdmDate,101),'') as AdmDate , "
           "IsNull(CONVERT(varchar(10),Pat.DcrDate,101),'') as DcrDate , Pat.AdmDate as "
           "PatAdmDate  FROM dbRecords..tblRecFiles RF INNER JOIN PATIENT_DATA.." +
           table +
           " Pat ON RF.Admission_Id=Pat.IdNum  LEFT OUTER JOIN dbRecords..tblRecType RT ON "
           "RF.rectype_id=RT.rectype_id  LEFT JOIN Patient_Data..tbMaster MA ON "
           "MA.HospNum=Pat.HospNum  WHERE 1=1 ";
}

const QString kMedicalTypes = " AND (RT.DepartmentID IS NULL OR RT.DepartmentID='') ";

} // namespace

TEST(RetrievalStatements, SearchWithoutCriteriaInBothModesAndEverySortOrder) {
    RecordSearchCriteria c;
    EXPECT_EQ(records::recordSearch(c), kSelect + patientColumnsAndJoins("tbPatient") +
                                            kMedicalTypes +
                                            " ORDER BY Lastname, Firstname, Middlename");
    c.orderByDate = true;
    c.includeOutPatients = true;
    EXPECT_EQ(records::recordSearch(c),
              kSelect + patientColumnsAndJoins("tbPatient") + kMedicalTypes + "UNION ALL " +
                  kSelect + patientColumnsAndJoins("tbOutPatient") + kMedicalTypes +
                  " ORDER BY patadmdate desc");

    RecordSearchCriteria d;
    d.patientMode = false;
    d.departmentId = "HRD";
    const QString dept = kSelect +
                         " FROM dbRecords..tblRecFiles RF  LEFT OUTER JOIN dbRecords..tblRecType "
                         "RT ON RF.rectype_id=RT.rectype_id  WHERE 1=1  AND RT.DepartmentID   = "
                         "'HRD'";
    EXPECT_EQ(records::recordSearch(d), dept + " ORDER BY rf.rectype_id desc");
    d.orderByDate = true;
    EXPECT_EQ(records::recordSearch(d), dept + " ORDER BY RF.date_created desc");
}

TEST(RetrievalStatements, EveryCriterionInItsPlaceAndTwiceWithOutPatients) {
    RecordSearchCriteria c;
    c.lastName = "Garcia";
    c.firstName = "Ma";
    c.admissionDate = "03/14/2025";
    c.admissionId = "250123";
    c.hospitalNumber = "100101";
    c.description = "record";
    c.recordTypeId = 2;
    c.recordDate = "03/14/2025";
    c.scanDate = "03/20/2025";
    c.includeOutPatients = true;
    const QString patient = " and MA.LastName like 'Garcia' + '%'  and MA.FirstName like 'Ma' + "
                            "'%'  and CONVERT(varchar(10),Pat.AdmDate,101) = '03/14/2025'";
    const QString common =
        " and RF.admission_id='250123' and ma.HospNum = '100101' and description like   "
        "'%record%' AND RF.rectype_id = '2'  and CONVERT(varchar(10),RF.date_created,101) = "
        "'03/14/2025' and CONVERT(varchar(10),RF.date_updated,101) = '03/20/2025'";
    EXPECT_EQ(records::recordSearch(c),
              kSelect + patientColumnsAndJoins("tbPatient") + patient + kMedicalTypes + common +
                  "UNION ALL " + kSelect + patientColumnsAndJoins("tbOutPatient") + patient +
                  kMedicalTypes + common + " ORDER BY Lastname, Firstname, Middlename");

    // A last name alone (no comma typed), and an empty prefix of a name of blanks.
    RecordSearchCriteria last;
    last.lastName = "";
    EXPECT_EQ(records::recordSearch(last), kSelect + patientColumnsAndJoins("tbPatient") +
                                               " and MA.LastName like '' + '%' " + kMedicalTypes +
                                               " ORDER BY Lastname, Firstname, Middlename");
}

TEST(RetrievalStatements, QuotesInTypedValuesAreDoubledAndNulsDropped) {
    RecordSearchCriteria c;
    c.patientMode = false;
    c.departmentId = "H'R";
    c.admissionId = "5012' OR '1'='1";
    c.description = QString("O'Brien") + QChar(0) + "--";
    EXPECT_EQ(records::recordSearch(c),
              kSelect +
                  " FROM dbRecords..tblRecFiles RF  LEFT OUTER JOIN dbRecords..tblRecType RT ON "
                  "RF.rectype_id=RT.rectype_id  WHERE 1=1  AND RT.DepartmentID   = 'H''R' and "
                  "RF.admission_id='5012'' OR ''1''=''1' and description like   '%O''Brien--%'"
                  " ORDER BY rf.rectype_id desc");
}

TEST(RetrievalStatements, WildcardsTypedInNamesAndDescriptionStandForThemselves) {
    RecordSearchCriteria c;
    c.lastName = "O'_a";
    c.firstName = "[M%";
    c.description = "100%_[x]";
    EXPECT_EQ(records::recordSearch(c),
              kSelect + patientColumnsAndJoins("tbPatient") +
                  " and MA.LastName like 'O''[_]a' + '%'  and MA.FirstName like '[[]M[%]' + '%' " +
                  kMedicalTypes + " and description like   '%100[%][_][[]x]%'" +
                  " ORDER BY Lastname, Firstname, Middlename");
}

TEST(RetrievalStatements, TheOtherStatementsOfRetrievalAndMaintenance) {
    // Medical records' types carry a NULL or an empty department: both are listed.
    EXPECT_EQ(records::selectSearchRecordTypes(""),
              "SELECT rectype_id, rectype_name, rectype_default FROM dbRecords..tblRecType where "
              "isnull(DepartmentID,'') = '' ORDER BY rectype_name ");
    EXPECT_EQ(records::selectSearchRecordTypes("HRD"),
              "SELECT rectype_id, rectype_name, rectype_default FROM dbRecords..tblRecType where "
              "isnull(DepartmentID,'') = 'HRD' ORDER BY rectype_name ");
    EXPECT_EQ(records::selectRecordFileName("12"),
              "SELECT file_name FROM dbRecords.dbo.tblRecFiles WHERE recfile_id='12'");
    EXPECT_EQ(records::deleteRecordFile("12"),
              "delete FROM dbRecords.dbo.tblRecFiles WHERE recfile_id='12'");
    EXPECT_EQ(records::selectRecordTypeExists(12),
              "SELECT rectype_id FROM dbRecords..tblRecType WHERE rectype_id='12'");
    EXPECT_EQ(records::selectRecordFileForMaintenance("1'2"),
              "SELECT recfile_id,admission_id,rectype_id,file_name   FROM "
              "dbRecords.dbo.tblRecFiles WHERE recfile_id='1''2'");
}
