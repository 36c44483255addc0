-- PayrollDB: employees, for the other-department employee lookup.
CREATE TABLE tbPMaster (
    EmpNum     VARCHAR(20) COLLATE TSQL NOT NULL,
    LastName   VARCHAR(50) COLLATE TSQL,
    FirstName  VARCHAR(50) COLLATE TSQL,
    MiddleName VARCHAR(50) COLLATE TSQL
);
CREATE UNIQUE INDEX tbPMaster_EmpNum ON tbPMaster (EmpNum COLLATE BINARY);
