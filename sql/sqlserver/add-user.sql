-- Gives one existing login the program's access as one role, or takes it away. Run as dbo (or a
-- sysadmin):
--   sqlcmd -S server -E -i add-user.sql -v Login="HOSPITAL\msantos" EmployeeID="1001" Role="clerk" Windows=1
--   sqlcmd -S server -E -i add-user.sql -v Login="HOSPITAL\msantos" EmployeeID="" Role="none" Windows=1
-- Login       the login's name (DOMAIN\name for a Windows/Kerberos login)
-- EmployeeID  the employee in Password..tbPasswordMaster the login signs in as
-- Role        viewer | clerk | administrator, or none to take the login's access away
-- Windows     1 = a Windows/Kerberos login of a domain account that must already exist in the
--             domain (the server login is made from it when the server has none yet);
--             0 = a SQL Server login that IT has already made, with CHECK_POLICY = ON so the
--             server's password and lockout policy apply to it.
-- Makes a database user for the login in dbRecords, PATIENT_DATA, Password and PayrollDB, puts
-- each in docuvane_<Role> and out of the other two roles, and writes the login's row in
-- Password..tbPasswordLogins. With Role = none the users leave the roles and are dropped and the
-- row is deleted; the login itself is IT's to disable or drop. 04-users-and-roles.sql must have
-- run. Safe to run again.
SET NOCOUNT ON;
DECLARE @login sysname = N'$(Login)', @employee varchar(20) = '$(EmployeeID)',
        @role nvarchar(20) = N'$(Role)', @windows int = $(Windows);
IF @role NOT IN (N'viewer', N'clerk', N'administrator', N'none')
    THROW 50001, N'Role must be viewer, clerk, administrator or none.', 1;
IF @windows NOT IN (0, 1)
    THROW 50002, N'Windows must be 1 (a Windows/Kerberos login) or 0 (a SQL Server login).', 1;
IF @role <> N'none' AND NOT EXISTS (SELECT 1 FROM Password.dbo.tbPasswordMaster WHERE EmployeeID = @employee)
    THROW 50003, N'No employee with that EmployeeID in Password..tbPasswordMaster.', 1;
IF @role <> N'none' AND @windows = 1 AND SUSER_ID(@login) IS NULL
BEGIN
    DECLARE @create nvarchar(max) = N'CREATE LOGIN ' + QUOTENAME(@login) + N' FROM WINDOWS';
    EXEC (@create);
END
IF @role <> N'none' AND @windows = 0 AND NOT EXISTS (SELECT 1 FROM sys.sql_logins WHERE name = @login)
    THROW 50004, N'No SQL Server login of that name: IT makes it first (CHECK_POLICY = ON).', 1;
IF @role <> N'none' AND @windows = 0
   AND EXISTS (SELECT 1 FROM sys.sql_logins WHERE name = @login AND is_policy_checked = 0)
    THROW 50005, N'That SQL Server login is made without CHECK_POLICY: turn the policy on first.', 1;

-- Run in each database (sp_executesql of that database): the user, named as the login, leaves
-- every docuvane_ role but its own; then joins its role, or is dropped with Role = none.
DECLARE @per_database nvarchar(max) = N'
IF @role <> N''none'' AND DATABASE_PRINCIPAL_ID(@login) IS NULL
BEGIN
    DECLARE @make nvarchar(max) = N''CREATE USER '' + QUOTENAME(@login) + N'' FOR LOGIN '' + QUOTENAME(@login);
    EXEC (@make);
END
DECLARE @other sysname, @change nvarchar(max);
DECLARE roles CURSOR LOCAL FAST_FORWARD FOR
    SELECT r.name FROM sys.database_role_members m
      JOIN sys.database_principals r ON r.principal_id = m.role_principal_id
     WHERE m.member_principal_id = DATABASE_PRINCIPAL_ID(@login)
       AND r.name LIKE N''docuvane[_]%'' AND r.name <> N''docuvane_'' + @role;
OPEN roles;
FETCH NEXT FROM roles INTO @other;
WHILE @@FETCH_STATUS = 0
BEGIN
    SET @change = N''ALTER ROLE '' + QUOTENAME(@other) + N'' DROP MEMBER '' + QUOTENAME(@login);
    EXEC (@change);
    FETCH NEXT FROM roles INTO @other;
END
CLOSE roles;
DEALLOCATE roles;
IF @role <> N''none''
    SET @change = N''ALTER ROLE '' + QUOTENAME(N''docuvane_'' + @role) + N'' ADD MEMBER '' + QUOTENAME(@login);
ELSE IF DATABASE_PRINCIPAL_ID(@login) IS NOT NULL
    SET @change = N''DROP USER '' + QUOTENAME(@login);
ELSE
    SET @change = N'''';
EXEC (@change);';
DECLARE @parameters nvarchar(100) = N'@login sysname, @role nvarchar(20)';
EXEC dbRecords.sys.sp_executesql @per_database, @parameters, @login = @login, @role = @role;
EXEC PATIENT_DATA.sys.sp_executesql @per_database, @parameters, @login = @login, @role = @role;
EXEC Password.sys.sp_executesql @per_database, @parameters, @login = @login, @role = @role;
EXEC PayrollDB.sys.sp_executesql @per_database, @parameters, @login = @login, @role = @role;

-- The link the program signs in through (one employee per login).
IF @role = N'none'
    DELETE FROM Password.dbo.tbPasswordLogins WHERE LoginName = @login;
ELSE IF EXISTS (SELECT 1 FROM Password.dbo.tbPasswordLogins WHERE LoginName = @login)
    UPDATE Password.dbo.tbPasswordLogins SET EmployeeID = @employee WHERE LoginName = @login;
ELSE
    INSERT INTO Password.dbo.tbPasswordLogins (LoginName, EmployeeID) VALUES (@login, @employee);
IF @role = N'none'
    PRINT N'Login ' + @login + N' no longer signs in to the program.';
ELSE
    PRINT N'Login ' + @login + N' signs in as employee ' + @employee + N', role docuvane_' + @role + N'.';
GO
