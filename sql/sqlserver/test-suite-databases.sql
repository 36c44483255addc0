-- Minimal copies of the hospital suite's databases for a test server: PATIENT_DATA, Password
-- and PayrollDB with the columns the program reads, and a few rows to sign in and search.
-- In production these databases belong to the suite and are only read by the program.
-- Run before 02-procedures.sql (sp_ScanReport reads Password).
IF DB_ID(N'PATIENT_DATA') IS NULL CREATE DATABASE PATIENT_DATA;
GO
IF DB_ID(N'Password') IS NULL CREATE DATABASE Password;
GO
IF DB_ID(N'PayrollDB') IS NULL CREATE DATABASE PayrollDB;
GO

USE PATIENT_DATA;
GO
IF OBJECT_ID(N'dbo.tbPatient', N'U') IS NULL
    CREATE TABLE dbo.tbPatient (IdNum varchar(20) NOT NULL PRIMARY KEY, HospNum varchar(20) NULL,
                                AdmDate datetime NULL, DcrDate datetime NULL);
IF OBJECT_ID(N'dbo.tbOutPatient', N'U') IS NULL
    CREATE TABLE dbo.tbOutPatient (IdNum varchar(20) NOT NULL PRIMARY KEY, HospNum varchar(20) NULL,
                                   AdmDate datetime NULL, DcrDate datetime NULL);
IF OBJECT_ID(N'dbo.tbMaster', N'U') IS NULL
    CREATE TABLE dbo.tbMaster (HospNum varchar(20) NOT NULL PRIMARY KEY, LastName varchar(50) NULL,
                               FirstName varchar(50) NULL, MiddleName varchar(50) NULL);
GO
-- The record search joins files to admissions by IdNum (the primary keys), admissions to
-- patients by HospNum, and looks patients up by a prefix of their last name. The suite's own
-- databases are expected to carry the same indexes.
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'by_HospNum' AND object_id = OBJECT_ID(N'dbo.tbPatient'))
    CREATE NONCLUSTERED INDEX by_HospNum ON dbo.tbPatient (HospNum ASC);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'by_HospNum' AND object_id = OBJECT_ID(N'dbo.tbOutPatient'))
    CREATE NONCLUSTERED INDEX by_HospNum ON dbo.tbOutPatient (HospNum ASC);
IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE name = N'by_Name' AND object_id = OBJECT_ID(N'dbo.tbMaster'))
    CREATE NONCLUSTERED INDEX by_Name ON dbo.tbMaster (LastName ASC, FirstName ASC);
GO
IF NOT EXISTS (SELECT 1 FROM dbo.tbMaster)
BEGIN
    INSERT INTO dbo.tbMaster (HospNum, LastName, FirstName, MiddleName) VALUES
        ('100101', 'Garcia', 'Maria', 'Santos'), ('100106', 'O''Brien', 'Patrick', 'Sean'),
        ('100108', 'D''Souza', 'Anil', 'Kumar');
    INSERT INTO dbo.tbPatient (IdNum, HospNum, AdmDate, DcrDate) VALUES
        ('250123', '100101', '20250314 09:15', '20250319 14:30'),
        ('260045', '100106', '20260119 05:50', '20260124 13:15'),
        ('261201', '100108', '20261203 11:20', NULL);
    INSERT INTO dbo.tbOutPatient (IdNum, HospNum, AdmDate, DcrDate) VALUES
        ('31245B', '100101', '20251103 13:20', '20251103 14:05');
END
GO

USE Password;
GO
-- PasswordHash and UserRights are the program's own columns (see docs/database.md).
IF OBJECT_ID(N'dbo.tbPasswordMaster', N'U') IS NULL
    CREATE TABLE dbo.tbPasswordMaster (EmployeeID varchar(20) NOT NULL PRIMARY KEY,
                                       Lastname varchar(50) NULL, FirstName varchar(50) NULL,
                                       MiddleName varchar(50) NULL, PasswordHash varchar(200) NULL,
                                       UserRights varchar(20) NULL);
IF OBJECT_ID(N'dbo.tbPasswordMain', N'U') IS NULL
    CREATE TABLE dbo.tbPasswordMain (EmployeeID varchar(20) NOT NULL, DepartmentID varchar(20) NULL);
IF OBJECT_ID(N'dbo.tbPasswordDepartment', N'U') IS NULL
    CREATE TABLE dbo.tbPasswordDepartment (DepartmentId varchar(20) NOT NULL PRIMARY KEY,
                                           department varchar(50) NULL);
IF OBJECT_ID(N'dbo.tbPasswordWoms', N'U') IS NULL
    CREATE TABLE dbo.tbPasswordWoms (EmployeeID varchar(20) NOT NULL, department varchar(50) NULL);
GO
IF NOT EXISTS (SELECT 1 FROM dbo.tbPasswordMaster)
BEGIN
    INSERT INTO dbo.tbPasswordMaster (EmployeeID, Lastname, FirstName, MiddleName, UserRights) VALUES
        ('1001', 'Santos', 'Maria', 'Lopez', 'ASV'), ('1002', 'Reyes', 'Jose', '', 'BV'),
        ('2001', 'O''Brien', 'Kathleen', 'Anne', 'V'), ('3001', 'D''Souza', 'Priya', '', 'AV'),
        ('9001', 'Cruz', 'Antonio', 'Martin', 'ASVX');
    INSERT INTO dbo.tbPasswordMain (EmployeeID, DepartmentID) VALUES
        ('1001', '19'), ('1001', 'HRD'), ('1002', '19'), ('2001', '16'), ('3001', 'HRD'), ('9001', '19');
    INSERT INTO dbo.tbPasswordDepartment (DepartmentId, department) VALUES
        ('19', 'MEDICAL RECORDS'), ('16', 'NURSING'), ('HRD', 'HUMAN RESOURCES');
    INSERT INTO dbo.tbPasswordWoms (EmployeeID, department) VALUES
        ('1001', 'MEDICAL RECORDS'), ('1002', 'MEDICAL RECORDS'), ('2001', 'NURSING'),
        ('3001', 'HUMAN RESOURCES'), ('9001', 'MEDICAL RECORDS');
END
GO
-- Logins of a test server are linked to these employees once 04-users-and-roles.sql has run,
-- one add-user.sql run per login (IT links the real logins the same way), for example:
--   sqlcmd -i add-user.sql -v Login="msantos" EmployeeID="1001" Role="administrator" Windows=0
--   sqlcmd -i add-user.sql -v Login="jreyes" EmployeeID="1002" Role="clerk" Windows=0
--   sqlcmd -i add-user.sql -v Login="kobrien" EmployeeID="2001" Role="viewer" Windows=0

USE PayrollDB;
GO
IF OBJECT_ID(N'dbo.tbPMaster', N'U') IS NULL
    CREATE TABLE dbo.tbPMaster (EmpNum varchar(20) NOT NULL PRIMARY KEY, LastName varchar(50) NULL,
                                FirstName varchar(50) NULL, MiddleName varchar(50) NULL);
GO
IF NOT EXISTS (SELECT 1 FROM dbo.tbPMaster)
    INSERT INTO dbo.tbPMaster (EmpNum, LastName, FirstName, MiddleName) VALUES
        ('1001', 'Santos', 'Maria', 'Lopez'), ('3001', 'D''Souza', 'Priya', ''),
        ('5012', 'Villareal', 'Antonio', 'Reyes'), ('5020', 'Lim', 'Henry', '');
GO
