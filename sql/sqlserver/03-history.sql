-- The access history of dbRecords on SQL Server: one row per action of an employee on the
-- records, only ever inserted by the program. Run with sqlcmd after 01-dbRecords.sql (GO
-- separates batches). Safe to run again: existing objects are kept.
USE dbRecords;
GO

IF OBJECT_ID(N'dbo.tblRecHistory', N'U') IS NULL
    CREATE TABLE dbo.tblRecHistory (
        history_id   int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_tblRecHistory PRIMARY KEY,
        at           datetime NOT NULL,
        employee     varchar(20) NULL,
        workstation  varchar(100) NULL,
        access_type  varchar(30) NULL,
        department   varchar(50) NULL,
        action       varchar(30) NOT NULL,
        recfile_id   int NULL,
        admission_id varchar(50) NULL,
        hosp_num     varchar(50) NULL,
        file_name    varchar(150) NULL,
        pages        varchar(200) NULL,
        details      varchar(1000) NULL
    );
GO
-- The history of one record, of one patient and of one employee, each over a range of time.
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'by_history_recfile_at' AND object_id = OBJECT_ID(N'dbo.tblRecHistory'))
    CREATE INDEX by_history_recfile_at ON dbo.tblRecHistory (recfile_id, at);
GO
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'by_history_hosp_num_at' AND object_id = OBJECT_ID(N'dbo.tblRecHistory'))
    CREATE INDEX by_history_hosp_num_at ON dbo.tblRecHistory (hosp_num, at);
GO
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'by_history_employee_at' AND object_id = OBJECT_ID(N'dbo.tblRecHistory'))
    CREATE INDEX by_history_employee_at ON dbo.tblRecHistory (employee, at);
GO

-- The program's roles may add rows, never change or remove one; only administrators (the
-- users with settings rights, who have Record History and Patient Access) may read them. A
-- role the roles script has not made yet is made here, so the grants below always have
-- their role.
IF DATABASE_PRINCIPAL_ID(N'docuvane_viewer') IS NULL
    CREATE ROLE docuvane_viewer;
GO
IF DATABASE_PRINCIPAL_ID(N'docuvane_clerk') IS NULL
    CREATE ROLE docuvane_clerk;
GO
IF DATABASE_PRINCIPAL_ID(N'docuvane_administrator') IS NULL
    CREATE ROLE docuvane_administrator;
GO
GRANT INSERT ON dbo.tblRecHistory TO docuvane_viewer;
GRANT INSERT ON dbo.tblRecHistory TO docuvane_clerk;
GRANT INSERT, SELECT ON dbo.tblRecHistory TO docuvane_administrator;
GO
DENY UPDATE, DELETE ON dbo.tblRecHistory TO docuvane_viewer;
DENY UPDATE, DELETE ON dbo.tblRecHistory TO docuvane_clerk;
DENY UPDATE, DELETE ON dbo.tblRecHistory TO docuvane_administrator;
GO

-- The Patient Access report: who searched for or opened one patient's records, from @DateFrom
-- to @DateTo (both days included): per employee and action, how often, first and last time.
IF OBJECT_ID(N'dbo.sp_PatientAccess', N'P') IS NOT NULL DROP PROCEDURE dbo.sp_PatientAccess;
GO
CREATE PROCEDURE dbo.sp_PatientAccess @HospNum varchar(50), @DateFrom datetime, @DateTo datetime
AS
BEGIN
    SET NOCOUNT ON;
    SELECT H.employee AS EmployeeID,
           ISNULL(M.LastName, '') AS LastName,
           ISNULL(M.FirstName, '') AS FirstName,
           H.action AS Action,
           COUNT(*) AS Times,
           CONVERT(varchar(16), MIN(H.at), 120) AS FirstAt,
           CONVERT(varchar(16), MAX(H.at), 120) AS LastAt
      FROM dbo.tblRecHistory AS H
      LEFT JOIN (SELECT EmployeeID, MIN(Lastname) AS LastName, MIN(FirstName) AS FirstName
                   FROM Password.dbo.tbPasswordMaster
                  GROUP BY EmployeeID) AS M ON M.EmployeeID = H.employee
     WHERE H.hosp_num = @HospNum
       AND H.at >= DATEADD(day, DATEDIFF(day, 0, @DateFrom), 0)
       AND H.at < DATEADD(day, DATEDIFF(day, 0, @DateTo) + 1, 0)
       AND H.action IN ('record search', 'admission search', 'open record')
     GROUP BY H.employee, ISNULL(M.LastName, ''), ISNULL(M.FirstName, ''), H.action
     ORDER BY LastName, FirstName, H.employee, H.action;
END
GO
GRANT EXECUTE ON dbo.sp_PatientAccess TO docuvane_administrator;
GO
