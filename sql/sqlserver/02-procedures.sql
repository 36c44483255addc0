-- The stored procedures of dbRecords. Every argument arrives as a quoted text literal and is
-- converted to the parameter's type by the server ('' becomes 0 for an int).
USE dbRecords;
GO

-- One row, column scanRes: 1 when files of this admission and record type are filed, else 0.
IF OBJECT_ID(N'dbo.sp_CheckScanned', N'P') IS NOT NULL DROP PROCEDURE dbo.sp_CheckScanned;
GO
CREATE PROCEDURE dbo.sp_CheckScanned @admission_id varchar(50), @rectype_id int
AS
BEGIN
    SET NOCOUNT ON;
    SELECT CASE WHEN EXISTS (SELECT 1 FROM dbo.tblRecFiles
                             WHERE admission_id = @admission_id AND rectype_id = @rectype_id)
                THEN 1 ELSE 0 END AS scanRes;
END
GO

-- Removes the rows of one admission and record type (the files are deleted by the program).
IF OBJECT_ID(N'dbo.sp_FileDelete', N'P') IS NOT NULL DROP PROCEDURE dbo.sp_FileDelete;
GO
CREATE PROCEDURE dbo.sp_FileDelete @admission_id varchar(50), @rectype_id int
AS
BEGIN
    DELETE FROM dbo.tblRecFiles WHERE admission_id = @admission_id AND rectype_id = @rectype_id;
END
GO

-- Makes a type the default of its department; the department's other types lose the mark.
-- NULL and empty DepartmentID count as one department (medical records).
IF OBJECT_ID(N'dbo.spRectype_SetDefault', N'P') IS NOT NULL DROP PROCEDURE dbo.spRectype_SetDefault;
GO
CREATE PROCEDURE dbo.spRectype_SetDefault @rectype_id int
AS
BEGIN
    DECLARE @department varchar(50);
    SELECT @department = ISNULL(DepartmentID, '') FROM dbo.tblRecType WHERE rectype_id = @rectype_id;
    IF @@ROWCOUNT = 0 RETURN;
    UPDATE dbo.tblRecType
       SET rectype_default = CASE WHEN rectype_id = @rectype_id THEN 1 ELSE 0 END
     WHERE ISNULL(DepartmentID, '') = @department;
END
GO

-- One row, column chkRecType: 1 when filed records still use the type, else 0.
IF OBJECT_ID(N'dbo.spRectype_chkID', N'P') IS NOT NULL DROP PROCEDURE dbo.spRectype_chkID;
GO
CREATE PROCEDURE dbo.spRectype_chkID @rectype_id int
AS
BEGIN
    SET NOCOUNT ON;
    SELECT CASE WHEN EXISTS (SELECT 1 FROM dbo.tblRecFiles WHERE rectype_id = @rectype_id)
                THEN 1 ELSE 0 END AS chkRecType;
END
GO

-- Deletes a type (the program checks spRectype_chkID first).
IF OBJECT_ID(N'dbo.spRectype_delete', N'P') IS NOT NULL DROP PROCEDURE dbo.spRectype_delete;
GO
CREATE PROCEDURE dbo.spRectype_delete @rectype_id int
AS
BEGIN
    DELETE FROM dbo.tblRecType WHERE rectype_id = @rectype_id;
END
GO

-- The type's name and description (no row for an unknown id).
IF OBJECT_ID(N'dbo.spRectype_Get', N'P') IS NOT NULL DROP PROCEDURE dbo.spRectype_Get;
GO
CREATE PROCEDURE dbo.spRectype_Get @rectype_id int
AS
BEGIN
    SET NOCOUNT ON;
    SELECT rectype_name, rectype_desc FROM dbo.tblRecType WHERE rectype_id = @rectype_id;
END
GO

-- Documents scanned or saved per employee: files whose date_updated falls on a day from
-- @DateFrom to @DateTo, both included. Six columns: a row number (hidden by the report
-- window), EmployeeID, LastName, FirstName, MiddleName, ScannedDocs.
IF OBJECT_ID(N'dbo.sp_ScanReport', N'P') IS NOT NULL DROP PROCEDURE dbo.sp_ScanReport;
GO
CREATE PROCEDURE dbo.sp_ScanReport @DateFrom datetime, @DateTo datetime
AS
BEGIN
    SET NOCOUNT ON;
    SELECT ROW_NUMBER() OVER (ORDER BY ISNULL(M.LastName, ''), ISNULL(M.FirstName, ''),
                                       S.EmployeeID) AS RowNo,
           S.EmployeeID,
           ISNULL(M.LastName, '') AS LastName,
           ISNULL(M.FirstName, '') AS FirstName,
           ISNULL(M.MiddleName, '') AS MiddleName,
           S.ScannedDocs
      FROM (SELECT EmployeeID, COUNT(*) AS ScannedDocs
              FROM dbo.tblRecFiles
             WHERE date_updated >= DATEADD(day, DATEDIFF(day, 0, @DateFrom), 0)
               AND date_updated < DATEADD(day, DATEDIFF(day, 0, @DateTo) + 1, 0)
             GROUP BY EmployeeID) AS S
      LEFT JOIN (SELECT EmployeeID, MIN(Lastname) AS LastName, MIN(FirstName) AS FirstName,
                        MIN(MiddleName) AS MiddleName
                   FROM Password.dbo.tbPasswordMaster
                  GROUP BY EmployeeID) AS M ON M.EmployeeID = S.EmployeeID
     ORDER BY RowNo;
END
GO
