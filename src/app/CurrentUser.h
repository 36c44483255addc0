#pragma once
// The hospital suite's current-user component: it signs the user in, opens the one database
// connection of the run and knows the employee. The program talks to it only through this
// interface.
#include "db/Connection.h"

#include <QString>
#include <memory>

namespace app {

class CurrentUser {
public:
    virtual ~CurrentUser() = default;

    // Department the sign-in is for ("19", "16" or an other-department id); set before
    // ShowMain.
    virtual void setPasswordDeptCode(const QString& code) = 0;
    virtual QString PasswordDeptCode() const = 0;

    // Runs the sign-in and opens the connection; returns when done.
    virtual void ShowMain() = 0;
    virtual bool Connected() const = 0;

    // The open connection (null while not connected).
    virtual db::Connection* sqlconnection() = 0;

    virtual QString EmployeeCode() const = 0;
    virtual QString EmployeeName() const = 0;
    virtual QString UserRights() const = 0;

    // Asks for the password of a user allowed to change settings; True lets the user in.
    virtual bool CheckUserSettings() = 0;

    // Opens a client-side result set for `text` on the connection into `rs`.
    virtual void OpenRec(db::RecordsetPtr& rs, const QString& text) = 0;

    // Name of the payroll database.
    virtual QString PayrollDB() const = 0;

    // Looks for a newer version of the program (folder, program name, file name, flag).
    virtual void GetUpdates(const QString& folder, const QString& programName,
                            const QString& fileName, bool flag) = 0;

    // File > Change Password...: asks for the old and the new password and changes it where
    // the sign-in checks it. True when changed.
    virtual bool ChangePassword() { return false; }
    // True when `password` is the signed-in user's (the idle lock's question).
    virtual bool Reauthenticate(const QString& /*password*/) { return false; }
    // One line on the connection for the status bar (the demo database, an unencrypted one).
    virtual QString ConnectionNotice() const { return {}; }
    // Another connection to the records database as the signed-in employee (for work of its
    // own, such as the access history's writer); null while nobody is signed in. Safe to call
    // from any thread.
    virtual std::unique_ptr<db::Connection> OpenAnotherConnection() { return nullptr; }
};

struct Session;

// The signed-in user's connection to the records database. Raises db::Error 3709 ("There is
// no connection to the records database.") when nobody is signed in or the connection is
// gone, so a command reports it instead of failing on a missing connection.
db::Connection& recordsConnection(const Session& s);

// The rights letter that bars changes: a capital "B" anywhere in the rights text (the test
// is case-sensitive). Every command that changes records asks this one function.
bool rightsBarChanges(const QString& userRights);
// The rights letter that allows changing settings and administration: a capital "S".
bool rightsAllowSettings(const QString& userRights);

} // namespace app
