#pragma once
// A current-user component for tests: signs in whoever it is told, on a given connection.
#include "app/Classes.h"
#include "app/Components.h"
#include "app/CurrentUser.h"

#include <functional>
#include <memory>

namespace doubles {

class FakeCurrentUser : public app::CurrentUser {
public:
    void setPasswordDeptCode(const QString& code) override { deptCode = code; }
    QString PasswordDeptCode() const override { return deptCode; }
    void ShowMain() override {
        ++showMainCalls;
        if (onShowMain) onShowMain(*this);
        connected = connectOnShowMain;
    }
    bool Connected() const override { return connected; }
    db::Connection* sqlconnection() override { return connection; }
    QString EmployeeCode() const override { return employeeCode; }
    QString EmployeeName() const override { return employeeName; }
    QString UserRights() const override { return rights; }
    bool CheckUserSettings() override {
        ++checkSettingsCalls;
        return settingsAnswer;
    }
    void OpenRec(db::RecordsetPtr& rs, const QString& text) override {
        openRecStatements.push_back(text);
        rs = connection->open(text, db::kClientReadOnly);
    }
    QString PayrollDB() const override { return payrollDb; }
    bool Reauthenticate(const QString& typed) override {
        reauthenticated.push_back(typed);
        return typed == password;
    }
    QString ConnectionNotice() const override { return connectionNotice; }
    void GetUpdates(const QString& folder, const QString& name, const QString& file,
                    bool flag) override {
        updates.push_back(folder + "|" + name + "|" + file + "|" + (flag ? "True" : "False"));
    }

    QString deptCode;
    bool connectOnShowMain = true;
    bool connected = false;
    int showMainCalls = 0;
    int checkSettingsCalls = 0;
    bool settingsAnswer = true;
    std::function<void(FakeCurrentUser&)> onShowMain;
    db::Connection* connection = nullptr;
    QString employeeCode = "1001";
    QString employeeName = "Reyes, Maria Santos";
    QString rights = "ASV";
    QString payrollDb = "PayrollDB";
    QString password = "records";
    QString connectionNotice;
    std::vector<QString> reauthenticated;
    std::vector<QString> openRecStatements;
    std::vector<QString> updates;
};

// Hands out prepared components; `failCurrentUser` makes creation fail.
class FakeComponentFactory : public app::ComponentFactory {
public:
    std::shared_ptr<app::CurrentUser> createCurrentUser(const QString& progId) override {
        created.push_back(progId);
        if (failCurrentUser) throw app::ComponentError("Class not registered");
        if (makeUser) return makeUser();
        return std::make_shared<FakeCurrentUser>();
    }
    std::shared_ptr<app::ClassesComponent> createClasses(const QString& progId) override {
        created.push_back(progId);
        if (failClasses) throw app::ComponentError("Class not registered");
        return std::make_shared<app::BasicClassesComponent>();
    }
    bool failCurrentUser = false;
    bool failClasses = false;
    std::function<std::shared_ptr<app::CurrentUser>()> makeUser;
    std::vector<QString> created;
};

} // namespace doubles
