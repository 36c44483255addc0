-- Demo data of the embedded database, created with the schema on first use.
-- docs/database.md lists what other code and the tests rely on.
INSERT INTO tbPMaster (EmpNum, LastName, FirstName, MiddleName) VALUES
    ('1001', 'Santos', 'Maria', 'Lopez'),
    ('1002', 'Reyes', 'Jose', ''),
    ('2001', 'O''Brien', 'Kathleen', 'Anne'),
    ('3001', 'D''Souza', 'Priya', ''),
    ('9001', 'Cruz', 'Antonio', 'Martin'),
    ('5012', 'Villareal', 'Antonio', 'Reyes'),
    ('5013', 'Villareal', 'Corazon', ''),
    ('5014', 'Lim', 'Grace', 'Chua'),
    ('5015', 'Bautista', 'Ramon', ''),
    ('5016', 'Pascual', 'Liza', 'Santos'),
    ('5017', 'O''Neil', 'Brian', ''),
    ('5018', 'Dizon', 'Mark', 'Anthony'),
    ('5019', 'Cruz', 'Josefina', 'Reyes'),
    ('5020', 'Lim', 'Henry', ''),
    ('5021', 'Santiago', 'Paolo', 'Luis');
