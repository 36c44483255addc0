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
