#pragma once
// Our own current-user component: signs the employee in and holds the run's database
// connection. On the embedded backend the employee types their ID and password, checked
// against a slow salted hash in Password..tbPasswordMaster, with failed sign-ins counted in
// the database (SignInThrottle). On SQL Server the employee signs in as themselves: their own
// SQL Server login and password, or the desktop's Kerberos ticket; the server checks the
// login and the employee is the one the login is linked to (Password..tbPasswordLogins).
#include "app/CurrentUser.h"
#include "db/PasswordHash.h"

#include <functional>
#include <memory>
#include <mutex>

namespace app {

class Clock;
class CredentialsPrompt;
class PasswordChangePrompt;
class Prompter;
class SettingsStore;

// Opens a database connection as `login` with `password` (both unused by the embedded
// backend, and by a Kerberos sign-in). Raises db::Error when the connection cannot be made.
using ConnectionOpener = std::function<std::unique_ptr<db::Connection>(const QString& login,
                                                                       const QString& password)>;

enum class SignInKind {
    EmployeePassword, // embedded backend: employee ID and password, checked by the program
    ServerLogin,      // SQL Server: the employee's own login and password, checked by the server
    DomainTicket,     // SQL Server: the desktop's Kerberos ticket, a login typed when it fails
};

struct TalvorUserConfig {
    ConnectionOpener openConnection;
    CredentialsPrompt* credentials = nullptr;
    PasswordChangePrompt* passwordChange = nullptr;
    Prompter* prompter = nullptr;
    SettingsStore* settings = nullptr; // update folder, payroll database name
    QString payrollDatabase = QStringLiteral("PayrollDB");
    SignInKind kind = SignInKind::EmployeePassword;
    const Clock* clock = nullptr;                     // failed sign-ins; none: the system clock
    std::function<void(const QString&)> log;          // the log window
    db::PasswordCost passwordCost = db::standardPasswordCost(); // hashes written at sign-in
    QString connectionNotice; // the status bar's line on the connection
    // Told of every refused sign-in (the ID or login typed, and why), for the access history.
    std::function<void(const QString& typed, const QString& reason)> signInFailed;
};

class TalvorUser : public CurrentUser {
public:
    explicit TalvorUser(TalvorUserConfig config);
    ~TalvorUser() override;

    void setPasswordDeptCode(const QString& code) override { deptCode_ = code; }
    QString PasswordDeptCode() const override { return deptCode_; }
    void ShowMain() override;
    bool Connected() const override { return connected_; }
    db::Connection* sqlconnection() override { return connection_.get(); }
    QString EmployeeCode() const override { return employeeCode_; }
    QString EmployeeName() const override { return employeeName_; }
    QString UserRights() const override { return rights_; }
    bool CheckUserSettings() override;
    void OpenRec(db::RecordsetPtr& rs, const QString& text) override;
    QString PayrollDB() const override { return config_.payrollDatabase; }
    void GetUpdates(const QString& folder, const QString& programName, const QString& fileName,
                    bool flag) override;

    bool ChangePassword() override;
    bool Reauthenticate(const QString& password) override;
    QString ConnectionNotice() const override { return config_.connectionNotice; }
    std::unique_ptr<db::Connection> OpenAnotherConnection() override;

private:
    struct Employee {
        QString id, name, rights, hash;
    };
    std::optional<Employee> readEmployee(db::Recordset& rs, bool withHash);
    // The employee row, or nothing when there is none.
    std::optional<Employee> findEmployee(const QString& id);
    std::optional<Employee> findEmployeeOfLogin(db::Connection& c);
    bool inDepartment(const QString& id, const QString& dept);
    bool ensureConnection();
    // An employee ID and password checked against the stored hash, counting failures; the
    // hash is replaced when it is of an older form. `refusal` receives the message to show.
    std::optional<Employee> checkEmployeePassword(const QString& id, const QString& password,
                                                  QString* refusal);
    // A login and password (or the Kerberos ticket when `login` is empty) checked by the
    // server: the open connection, or nothing with `refusal` set.
    std::unique_ptr<db::Connection> serverLogin(const QString& login, const QString& password,
                                                QString* refusal, bool* unreachable);
    bool finishSignIn(const Employee& e);
    const Clock& clock() const;
    void log(const QString& line) const;

    TalvorUserConfig config_;
    std::unique_ptr<db::Connection> connection_;
    QString deptCode_;
    QString employeeCode_, employeeName_, rights_;
    QString login_; // the SQL Server login signed in with (empty with a ticket)
    // What OpenAnotherConnection signs in with: set at each sign-in, under the mutex (read on
    // other threads). The password of a SQL Server login is kept in memory for it.
    mutable std::mutex anotherMutex_;
    bool anotherAllowed_ = false;
    QString anotherLogin_, anotherPassword_;
    bool connected_ = false;
};

// What GetUpdates found: the installed version, and the newer one in the update folder.
struct UpdateCheck {
    QString installed;
    QString available; // empty when none is newer
    QString folder;
};
// Reads "<folder>/<programName>.version" (a line "major.minor.revision").
UpdateCheck checkForUpdate(const QString& updateFolder, const QString& programName);

} // namespace app
