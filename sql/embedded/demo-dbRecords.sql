-- Demo data of the embedded database, created with the schema on first use.
-- docs/database.md lists what other code and the tests rely on.
INSERT INTO tblRecType (rectype_id, rectype_name, rectype_desc, rectype_default, user_created, date_updated, user_updated, DepartmentID) VALUES
    (1, 'ADMISSION RECORD', 'Admission and history forms', 0, '9001', '2023-01-02 08:00:00.000', '9001', NULL),
    (2, 'DISCHARGE SUMMARY', 'Discharge summary and instructions', 1, '9001', '2023-01-02 08:05:00.000', '9001', ''),
    (3, 'LABORATORY RESULTS', 'Laboratory and pathology results', 0, '9001', '2023-01-02 08:10:00.000', '9001', NULL),
    (4, 'OPERATIVE REPORT', 'Operating room and anaesthesia records', 0, '9001', '2023-01-02 08:15:00.000', '9001', ''),
    (5, 'CONSENT FORMS', 'Signed consent forms', 0, '1001', '2024-03-11 10:30:00.000', '1001', ''),
    (6, 'RADIOLOGY REPORT', 'Imaging reports', 0, '1001', '2024-03-11 10:35:00.000', '1001', NULL),
    (7, 'EMPLOYMENT CONTRACT', 'Contracts and appointments', 0, '3001', '2024-05-06 09:00:00.000', '3001', 'HRD'),
    (8, 'PERSONAL DATA SHEET', 'Personal data and 201 file', 1, '3001', '2024-05-06 09:05:00.000', '3001', 'HRD'),
    (9, 'PERFORMANCE EVALUATION', 'Yearly evaluations', 0, '3001', '2024-05-06 09:10:00.000', '3001', 'HRD');
INSERT INTO tblRecFiles (admission_id, file_name, rectype_id, EmployeeID, Description, date_created, date_updated) VALUES
    ('250123', '\2025\2025-03-14\250123-1.tif', 1, '1001', 'Admission record', '2025-03-14 00:00:00.000', '2025-03-20 10:05:00.000'),
    ('250123', '\2025\2025-03-14\250123-2.tif', 2, '1001', 'Discharge summary', '2025-03-14 00:00:00.000', '2025-03-20 10:12:00.000'),
    ('250123', '\2025\2025-03-14\250123-3.tif', 3, '9001', 'CBC and urinalysis', '2025-03-14 00:00:00.000', '2025-03-21 14:05:00.000'),
    ('240311', '\2024\2024-05-02\240311-1.tif', 1, '1001', 'Admission record', '2024-05-02 00:00:00.000', '2024-05-10 08:30:00.000'),
    ('260045', '\2026\2026-01-19\260045-4.tif', 4, '1001', 'Appendectomy - O''Brien', '2026-01-19 00:00:00.000', '2026-01-25 16:45:00.000'),
    ('230877', '\2023\2023-09-05\230877-2.tif', 2, '9001', 'Discharge summary', '2023-09-05 00:00:00.000', '2023-09-12 11:00:00.000'),
    ('31245B', '\2025\2025-11-03\31245B-3.tif', 3, '1001', 'Lipid profile', '2025-11-03 00:00:00.000', '2025-11-03 15:20:00.000'),
    ('250301', '\2025\2025-05-12\250301-12.tif', 12, '1001', 'Scanned under a removed type', '2025-05-12 00:00:00.000', '2025-05-16 09:40:00.000'),
    ('261102', '\2026\2026-11-02\261102-5.tif', 5, '1001', 'Surgical consent', '2026-11-02 00:00:00.000', '2026-11-05 09:00:00.000'),
    ('5012', '\2025\2025-06-02\5012-7.tif', 7, '3001', 'Villareal', '2025-06-02 00:00:00.000', '2025-06-02 13:30:00.000'),
    ('5012', '\2025\2025-06-02\5012-8.tif', 8, '3001', 'Villareal', '2025-06-02 00:00:00.000', '2025-06-02 13:42:00.000'),
    ('5020', '\2026\2026-02-10\5020-8.tif', 8, '1001', 'Lim', '2026-02-10 00:00:00.000', '2026-02-10 10:00:00.000');
