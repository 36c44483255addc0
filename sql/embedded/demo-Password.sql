-- Demo data of the embedded database, created with the schema on first use.
-- docs/database.md lists what other code and the tests rely on.
-- PasswordHash is filled in when the database is created (see EmbeddedDatabase).
INSERT INTO tbPasswordMaster (EmployeeID, Lastname, FirstName, MiddleName, UserRights) VALUES
    ('1001', 'Santos', 'Maria', 'Lopez', 'ASV'),
    ('1002', 'Reyes', 'Jose', '', 'BV'),
    ('2001', 'O''Brien', 'Kathleen', 'Anne', 'V'),
    ('3001', 'D''Souza', 'Priya', '', 'AV'),
    ('9001', 'Cruz', 'Antonio', 'Martin', 'ASVX');
INSERT INTO tbPasswordMain (EmployeeID, DepartmentID) VALUES
    ('1001', '19'),
    ('1001', 'HRD'),
    ('1002', '19'),
    ('2001', '16'),
    ('3001', 'HRD'),
    ('9001', '19');
INSERT INTO tbPasswordDepartment (DepartmentId, department) VALUES
    ('19', 'MEDICAL RECORDS'),
    ('16', 'NURSING'),
    ('HRD', 'HUMAN RESOURCES');
-- The second assignment names each demo user's own department, so that the first sign-in
-- (no department saved yet) lands there instead of asking to pick one.
INSERT INTO tbPasswordWoms (EmployeeID, department) VALUES
    ('1001', 'MEDICAL RECORDS'),
    ('1002', 'MEDICAL RECORDS'),
    ('2001', 'NURSING'),
    ('3001', 'HUMAN RESOURCES'),
    ('9001', 'MEDICAL RECORDS');
