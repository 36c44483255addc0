-- The records database dbRecords on SQL Server: the tables and indexes the program relies on.
-- Run with sqlcmd (GO separates batches). Safe to run again: existing objects are kept.
IF DB_ID(N'dbRecords') IS NULL
    CREATE DATABASE dbRecords;
GO
USE dbRecords;
GO

-- One row per filed record file. file_name is the path below the storage root,
-- e.g. \2025\2025-03-14\250123-1.tif.
IF OBJECT_ID(N'dbo.tblRecFiles', N'U') IS NULL
    CREATE TABLE dbo.tblRecFiles (
        recfile_id   int IDENTITY(1, 1) NOT NULL
                     CONSTRAINT PK_tblRecFiles PRIMARY KEY NONCLUSTERED,
        admission_id varchar(50) NULL,
        file_name    varchar(150) NULL,
        rectype_id   int NULL,
        EmployeeID   varchar(20) NULL,
        Description  varchar(150) NULL,
        date_created datetime NULL,
        date_updated datetime NULL,
        file_type    varchar(10) NULL
    );
GO
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'by_recfile_id' AND object_id = OBJECT_ID(N'dbo.tblRecFiles'))
    CREATE CLUSTERED INDEX by_recfile_id ON dbo.tblRecFiles (recfile_id ASC);
GO
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'by_IDNum' AND object_id = OBJECT_ID(N'dbo.tblRecFiles'))
    CREATE NONCLUSTERED INDEX by_IDNum ON dbo.tblRecFiles (admission_id ASC);
GO
-- The record search finds an ID's files through by_IDNum; a description contains-search
-- reads the table once (no index serves a leading wildcard).
-- Named for the description but on recfile_id, as the update command creates it.
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'by_Description' AND object_id = OBJECT_ID(N'dbo.tblRecFiles'))
    CREATE INDEX by_Description ON dbo.tblRecFiles (recfile_id ASC);
GO
-- The scanning report (sp_ScanReport) counts files per employee in a range of date_updated.
IF NOT EXISTS (SELECT 1 FROM sys.indexes
               WHERE name = N'by_date_updated' AND object_id = OBJECT_ID(N'dbo.tblRecFiles'))
    CREATE NONCLUSTERED INDEX by_date_updated ON dbo.tblRecFiles (date_updated ASC) INCLUDE (EmployeeID);
GO

-- Record types per department. A NULL or empty DepartmentID belongs to medical records.
IF OBJECT_ID(N'dbo.tblRecType', N'U') IS NULL
    CREATE TABLE dbo.tblRecType (
        rectype_id      int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_tblRecType PRIMARY KEY,
        rectype_name    varchar(50) NULL,
        rectype_desc    varchar(150) NULL,
        rectype_default bit NOT NULL CONSTRAINT DF_tblRecType_rectype_default DEFAULT (0),
        user_created    varchar(20) NULL,
        date_updated    datetime NULL,
        user_updated    varchar(20) NULL,
        DepartmentID    varchar(50) NULL
    );
GO

-- The edit lock of a filed record: one row a record opened read-write somewhere, naming the
-- employee, the workstation and the program instance holding it, when it was taken and when
-- its holder last confirmed it (a lock not confirmed for 10 minutes may be taken over).
IF OBJECT_ID(N'dbo.tblRecLocks', N'U') IS NULL
    CREATE TABLE dbo.tblRecLocks (
        recfile_id   int NOT NULL CONSTRAINT PK_tblRecLocks PRIMARY KEY,
        EmployeeID   varchar(20) NULL,
        EmployeeName varchar(100) NULL,
        workstation  varchar(100) NULL,
        instance_id  varchar(50) NOT NULL,
        taken        datetime NOT NULL,
        refreshed    datetime NOT NULL
    );
GO
