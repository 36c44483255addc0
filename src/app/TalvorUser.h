#pragma once
// Our own current-user component: signs the employee in against the user database
// (a salted, slow password hash kept in Password..tbPasswordMaster) and holds the run's
// database connection.
#include "app/CurrentUser.h"

#include <functional>
#include <memory>

namespace app {

class CredentialsPrompt;
class Prompter;
class SettingsStore;

// Opens the database connection. `loginPassword` is the password typed at sign-in (used by
// backends that log in with it). Raises db::Error when the connection cannot be made.
using ConnectionOpener =
    std::function<std::unique_ptr<db::Connection>(const QString& loginPassword)>;

struct TalvorUserConfig {
    ConnectionOpener openConnection;
    CredentialsPrompt* credentials = nullptr;
    Prompter* prompter = nullptr;
    SettingsStore* settings = nullptr; // update folder, payroll database name
    QString payrollDatabase = QStringLiteral("PayrollDB");
    // When set, a sign-in whose employee has no password hash is accepted once the
    // connection itself was made with the typed password (server logins).
    bool acceptConnectionLogin = false;
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

private:
    struct Employee {
        QString id, name, rights, hash;
    };
    // The employee row, or nothing when there is none.
    std::optional<Employee> findEmployee(const QString& id);
    bool inDepartment(const QString& id, const QString& dept);
    bool ensureConnection(const QString& password);

    TalvorUserConfig config_;
    std::unique_ptr<db::Connection> connection_;
    QString deptCode_;
    QString employeeCode_, employeeName_, rights_;
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
