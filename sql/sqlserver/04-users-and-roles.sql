-- Users and roles of the program on SQL Server. Run with sqlcmd as dbo (or a sysadmin) after
-- 01-dbRecords.sql, 02-procedures.sql and, where the suite's databases are made for a test
-- server, test-suite-databases.sql (GO separates batches). Safe to run again.
--
-- Every employee signs in with their own login (SQL Server authentication, or Windows/Kerberos).
-- Password.dbo.tbPasswordLogins links the login to the employee; add-user.sql makes the
-- database users of one login, puts them in one role and writes that link.
--
-- Three roles, the same names in every database the program reads:
--   docuvane_viewer        views and prints records: reads the records, the patients and the
--                          employees, takes/refreshes/releases record locks (tblRecLocks) and
--                          adds access-history rows; cannot change tblRecFiles.
--   docuvane_clerk         also files records, changes their pages and deletes them
--                          (tblRecFiles, sp_CheckScanned, sp_FileDelete), reads the payroll
--                          employees for "New Record (Other)" and runs the scan report.
--   docuvane_administrator also keeps the record types (tblRecType, spRectype_*) and reads the
--                          Patient Access report (granted in 03-history.sql).
-- Each role is granted exactly what the program sends for its work; nothing is granted on a
-- schema or a database. "Update Database" (maintenance) alters tables and makes indexes: that
-- is run by IT as dbo, no role is given ALTER or CREATE.
-- Users change their own SQL Server password with ALTER LOGIN ... WITH PASSWORD = ...
-- OLD_PASSWORD = ...: a login may always change its own password, no grant is needed.
-- The access history (dbo.tblRecHistory) gets its grants in 03-history.sql, which denies every
-- role UPDATE and DELETE on its rows; here, only where that table exists, every role is granted
-- INSERT and the administrator SELECT.

-- The three roles in each database (sp_executesql of that database runs the text there).
DECLARE @roles nvarchar(max) = N'
IF DATABASE_PRINCIPAL_ID(N''docuvane_viewer'') IS NULL CREATE ROLE docuvane_viewer;
IF DATABASE_PRINCIPAL_ID(N''docuvane_clerk'') IS NULL CREATE ROLE docuvane_clerk;
IF DATABASE_PRINCIPAL_ID(N''docuvane_administrator'') IS NULL CREATE ROLE docuvane_administrator;';
EXEC dbRecords.sys.sp_executesql @roles;
EXEC PATIENT_DATA.sys.sp_executesql @roles;
EXEC Password.sys.sp_executesql @roles;
EXEC PayrollDB.sys.sp_executesql @roles;
GO

USE Password;
GO
IF OBJECT_ID(N'dbo.tbPasswordLogins', N'U') IS NULL
    CREATE TABLE dbo.tbPasswordLogins (
        LoginName  nvarchar(128) NOT NULL CONSTRAINT PK_tbPasswordLogins PRIMARY KEY,
        EmployeeID varchar(20) NOT NULL
    );
GO
-- The employee's name and rights, never the password hash (the embedded database's column;
-- on SQL Server the server checks the password).
GRANT SELECT (EmployeeID, Lastname, FirstName, MiddleName, UserRights) ON dbo.tbPasswordMaster TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
DENY SELECT (PasswordHash) ON dbo.tbPasswordMaster TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GRANT SELECT ON dbo.tbPasswordLogins TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GRANT SELECT ON dbo.tbPasswordMain TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GRANT SELECT ON dbo.tbPasswordDepartment TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GRANT SELECT ON dbo.tbPasswordWoms TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GO

USE PATIENT_DATA;
GO
-- Admissions and patients are read by every search, read only.
GRANT SELECT ON dbo.tbPatient TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GRANT SELECT ON dbo.tbOutPatient TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GRANT SELECT ON dbo.tbMaster TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GO

USE PayrollDB;
GO
-- The employee list of "New Record (Other)", a filing workflow: not the viewer.
GRANT SELECT ON dbo.tbPMaster TO docuvane_clerk, docuvane_administrator;
GO

USE dbRecords;
GO
-- Viewing reads the records and their types and takes, refreshes and releases record locks;
-- filing also adds records, saves their pages (date_updated, EmployeeID) and deletes records;
-- settings also keep the record types.
GRANT SELECT ON dbo.tblRecFiles TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GRANT INSERT ON dbo.tblRecFiles TO docuvane_clerk, docuvane_administrator;
GRANT UPDATE ON dbo.tblRecFiles TO docuvane_clerk, docuvane_administrator;
GRANT DELETE ON dbo.tblRecFiles TO docuvane_clerk, docuvane_administrator;
GRANT SELECT ON dbo.tblRecType TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GRANT INSERT ON dbo.tblRecType TO docuvane_administrator;
GRANT UPDATE ON dbo.tblRecType TO docuvane_administrator;
GRANT DELETE ON dbo.tblRecType TO docuvane_administrator;
GRANT SELECT ON dbo.tblRecLocks TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GRANT INSERT ON dbo.tblRecLocks TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GRANT UPDATE ON dbo.tblRecLocks TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GRANT DELETE ON dbo.tblRecLocks TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
GRANT EXECUTE ON dbo.sp_CheckScanned TO docuvane_clerk, docuvane_administrator;
GRANT EXECUTE ON dbo.sp_FileDelete TO docuvane_clerk, docuvane_administrator;
GRANT EXECUTE ON dbo.sp_ScanReport TO docuvane_clerk, docuvane_administrator;
GRANT EXECUTE ON dbo.spRectype_Get TO docuvane_administrator;
GRANT EXECUTE ON dbo.spRectype_SetDefault TO docuvane_administrator;
GRANT EXECUTE ON dbo.spRectype_chkID TO docuvane_administrator;
GO
-- The access history: every role adds rows, only settings rights read them (Tools > Access
-- History); no role changes or removes a row (03-history.sql denies UPDATE and DELETE).
IF OBJECT_ID(N'dbo.tblRecHistory', N'U') IS NOT NULL
BEGIN
    GRANT INSERT ON dbo.tblRecHistory TO docuvane_viewer, docuvane_clerk, docuvane_administrator;
    GRANT SELECT ON dbo.tblRecHistory TO docuvane_administrator;
END
GO
