-- dbRecords: one row per filed record file, and the record types of each department.
-- Text columns compare like SQL Server's default collation (TSQL: case-insensitive, trailing
-- blanks ignored). The record search looks rows up by admission number through an index in
-- that collation (by_IDNum_TSQL), so writing this table needs a connection that has the
-- program's collation (every connection of the program does; a plain SQLite tool can read).
CREATE TABLE tblRecFiles (
    recfile_id   INTEGER PRIMARY KEY AUTOINCREMENT,
    admission_id VARCHAR(50) COLLATE TSQL,
    file_name    VARCHAR(150) COLLATE TSQL,
    rectype_id   INTEGER,
    EmployeeID   VARCHAR(20) COLLATE TSQL,
    Description  VARCHAR(150) COLLATE TSQL,
    date_created DATETIME,
    date_updated DATETIME,
    file_type    VARCHAR(10) COLLATE TSQL
);
CREATE INDEX by_recfile_id ON tblRecFiles (recfile_id);
CREATE INDEX by_IDNum ON tblRecFiles (admission_id COLLATE BINARY);
CREATE INDEX by_Description ON tblRecFiles (recfile_id);
CREATE INDEX by_IDNum_TSQL ON tblRecFiles (admission_id COLLATE TSQL);
-- The scanning report counts files per employee in a range of date_updated: read in the
-- employee order of this index, its groups need no sorting (and no table row is read).
CREATE INDEX by_EmployeeID_date_updated ON tblRecFiles (EmployeeID COLLATE TSQL, date_updated);

CREATE TABLE tblRecType (
    rectype_id      INTEGER PRIMARY KEY AUTOINCREMENT,
    rectype_name    VARCHAR(50) COLLATE TSQL,
    rectype_desc    VARCHAR(150) COLLATE TSQL,
    rectype_default BIT NOT NULL DEFAULT 0,
    user_created    VARCHAR(20) COLLATE TSQL,
    date_updated    DATETIME,
    user_updated    VARCHAR(20) COLLATE TSQL,
    DepartmentID    VARCHAR(50) COLLATE TSQL
);

-- The edit lock of a filed record: one row a record opened read-write somewhere, naming the
-- employee, the workstation and the program instance holding it, when it was taken and when
-- its holder last confirmed it (a lock not confirmed for 10 minutes may be taken over).
CREATE TABLE tblRecLocks (
    recfile_id   INTEGER PRIMARY KEY,
    EmployeeID   VARCHAR(20) COLLATE TSQL,
    EmployeeName VARCHAR(100) COLLATE TSQL,
    workstation  VARCHAR(100) COLLATE TSQL,
    instance_id  VARCHAR(50) COLLATE TSQL NOT NULL,
    taken        DATETIME NOT NULL,
    refreshed    DATETIME NOT NULL
);

-- The access history: one row per action of an employee on the records (sign-in, searches,
-- opening, printing, page changes, deletion, ...), only ever inserted. at is the database's
-- time of the action. Read by record, by patient (hospital number) or by employee over a
-- range of time, hence one index each.
CREATE TABLE tblRecHistory (
    history_id   INTEGER PRIMARY KEY AUTOINCREMENT,
    at           DATETIME NOT NULL,
    employee     VARCHAR(20) COLLATE TSQL,
    workstation  VARCHAR(100) COLLATE TSQL,
    access_type  VARCHAR(30) COLLATE TSQL,
    department   VARCHAR(50) COLLATE TSQL,
    action       VARCHAR(30) COLLATE TSQL NOT NULL,
    recfile_id   INTEGER,
    admission_id VARCHAR(50) COLLATE TSQL,
    hosp_num     VARCHAR(50) COLLATE TSQL,
    file_name    VARCHAR(150) COLLATE TSQL,
    pages        VARCHAR(200) COLLATE TSQL,
    details      VARCHAR(1000) COLLATE TSQL
);
CREATE INDEX by_history_recfile_at ON tblRecHistory (recfile_id, at);
CREATE INDEX by_history_hosp_num_at ON tblRecHistory (hosp_num COLLATE TSQL, at);
CREATE INDEX by_history_employee_at ON tblRecHistory (employee COLLATE TSQL, at);
