-- PATIENT_DATA: admissions (in-patients, out-patient visits) and the patient master.
CREATE TABLE tbPatient (
    IdNum   VARCHAR(20) COLLATE TSQL NOT NULL,
    HospNum VARCHAR(20) COLLATE TSQL,
    AdmDate DATETIME,
    DcrDate DATETIME
);
CREATE UNIQUE INDEX tbPatient_IdNum ON tbPatient (IdNum COLLATE BINARY);
CREATE INDEX tbPatient_HospNum ON tbPatient (HospNum COLLATE BINARY);
-- The record search joins files to admissions and admissions to patients in the columns'
-- own collation; these indexes serve those joins (writing then needs the collation).
CREATE INDEX tbPatient_IdNum_TSQL ON tbPatient (IdNum COLLATE TSQL);
CREATE INDEX tbPatient_HospNum_TSQL ON tbPatient (HospNum COLLATE TSQL);

CREATE TABLE tbOutPatient (
    IdNum   VARCHAR(20) COLLATE TSQL NOT NULL,
    HospNum VARCHAR(20) COLLATE TSQL,
    AdmDate DATETIME,
    DcrDate DATETIME
);
CREATE UNIQUE INDEX tbOutPatient_IdNum ON tbOutPatient (IdNum COLLATE BINARY);
CREATE INDEX tbOutPatient_HospNum ON tbOutPatient (HospNum COLLATE BINARY);
CREATE INDEX tbOutPatient_IdNum_TSQL ON tbOutPatient (IdNum COLLATE TSQL);
CREATE INDEX tbOutPatient_HospNum_TSQL ON tbOutPatient (HospNum COLLATE TSQL);

CREATE TABLE tbMaster (
    HospNum    VARCHAR(20) COLLATE TSQL NOT NULL,
    LastName   VARCHAR(50) COLLATE TSQL,
    FirstName  VARCHAR(50) COLLATE TSQL,
    MiddleName VARCHAR(50) COLLATE TSQL
);
CREATE UNIQUE INDEX tbMaster_HospNum ON tbMaster (HospNum COLLATE BINARY);
-- The admission search reads the admissions in their order and looks up each one's patient
-- here: with the names in the index a name search tests them without reading the table row,
-- which is read only for the admissions that match.
CREATE INDEX tbMaster_HospNum_TSQL ON tbMaster (HospNum COLLATE TSQL, LastName COLLATE TSQL,
    FirstName COLLATE TSQL);
CREATE INDEX tbMaster_LastName_TSQL ON tbMaster (LastName COLLATE TSQL);
