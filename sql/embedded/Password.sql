-- Password: users, their departments and a second department assignment.
-- PasswordHash and UserRights are this program's own columns: the hash of the user's password
-- ("pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>") and the rights letters.
CREATE TABLE tbPasswordMaster (
    EmployeeID   VARCHAR(20) COLLATE TSQL NOT NULL,
    Lastname     VARCHAR(50) COLLATE TSQL,
    FirstName    VARCHAR(50) COLLATE TSQL,
    MiddleName   VARCHAR(50) COLLATE TSQL,
    PasswordHash VARCHAR(200),
    UserRights   VARCHAR(20)
);
CREATE UNIQUE INDEX tbPasswordMaster_EmployeeID ON tbPasswordMaster (EmployeeID COLLATE BINARY);

CREATE TABLE tbPasswordMain (
    EmployeeID   VARCHAR(20) COLLATE TSQL NOT NULL,
    DepartmentID VARCHAR(20) COLLATE TSQL
);

CREATE TABLE tbPasswordDepartment (
    DepartmentId VARCHAR(20) COLLATE TSQL NOT NULL,
    department   VARCHAR(50) COLLATE TSQL
);

CREATE TABLE tbPasswordWoms (
    EmployeeID VARCHAR(20) COLLATE TSQL NOT NULL,
    department VARCHAR(50) COLLATE TSQL
);

-- The program's own tables in the user database (created in an older database file at the
-- next start). Failed sign-ins of an employee ID: how many since the last success, when the
-- last one was, and until when the ID may not sign in.
CREATE TABLE tbPasswordAttempts (
    EmployeeID  VARCHAR(20) COLLATE TSQL NOT NULL,
    Failures    INT NOT NULL,
    LastFailure DATETIME,
    LockedUntil DATETIME
);
CREATE UNIQUE INDEX tbPasswordAttempts_EmployeeID ON tbPasswordAttempts (EmployeeID COLLATE BINARY);

-- SQL Server logins of employees (the embedded backend signs in by employee ID and keeps the
-- table only so that both schemas hold the same tables).
CREATE TABLE tbPasswordLogins (
    LoginName  VARCHAR(128) COLLATE TSQL NOT NULL,
    EmployeeID VARCHAR(20) COLLATE TSQL NOT NULL
);
CREATE UNIQUE INDEX tbPasswordLogins_LoginName ON tbPasswordLogins (LoginName COLLATE BINARY);
