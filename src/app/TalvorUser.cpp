#include "app/TalvorUser.h"

#include "app/Clock.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/SignIn.h"
#include "app/SignInThrottle.h"
#include "db/PasswordHash.h"
#include "records/CurrentUserStatements.h"

#include <QDir>
#include <QFile>
#include <QVersionNumber>

namespace app {

bool rightsBarChanges(const QString& userRights) {
    return userRights.contains(QLatin1Char('B'), Qt::CaseSensitive);
}

bool rightsAllowSettings(const QString& userRights) {
    return userRights.contains(QLatin1Char('S'), Qt::CaseSensitive);
}

TalvorUser::TalvorUser(TalvorUserConfig config) : config_(std::move(config)) {}
TalvorUser::~TalvorUser() = default;

namespace {

const QString kWrongPassword = QStringLiteral("The employee ID or the password is not correct.");
const QString kWrongLogin = QStringLiteral("The login or the password is not correct.");
constexpr int kLoginFailed = 18456; // SQL Server: login failed
constexpr int kMinimumPasswordLength = 8;

} // namespace

const Clock& TalvorUser::clock() const {
    static const SystemClock system;
    return config_.clock ? *config_.clock : system;
}

void TalvorUser::log(const QString& line) const {
    if (config_.log) config_.log(line);
}

bool TalvorUser::ensureConnection() {
    if (connection_ && connection_->isOpen()) return true;
    try {
        connection_ = config_.openConnection({}, {});
        return connection_ && connection_->isOpen();
    } catch (const db::Error& e) {
        connection_.reset();
        config_.prompter->msgBox("The records database cannot be reached.\r\n\r\n" +
                                     e.description(),
                                 mb::OKOnly, mb::Critical);
        return false;
    }
}

std::optional<TalvorUser::Employee> TalvorUser::readEmployee(db::Recordset& rs, bool withHash) {
    if (rs.eof()) return std::nullopt;
    Employee e;
    e.id = rs.text("EmployeeID").trimmed();
    e.name = (rs.text("Lastname").trimmed() + ", " + rs.text("FirstName").trimmed() + " " +
              rs.text("MiddleName").trimmed())
                 .trimmed();
    e.rights = rs.text("UserRights").trimmed();
    if (withHash) e.hash = rs.text("PasswordHash").trimmed();
    return e;
}

std::optional<TalvorUser::Employee> TalvorUser::findEmployee(const QString& id) {
    auto rs = connection_->open(records::selectSignInEmployee(id));
    return readEmployee(*rs, true);
}

std::optional<TalvorUser::Employee> TalvorUser::findEmployeeOfLogin(db::Connection& c) {
    auto rs = c.open(records::selectSignInEmployeeOfLogin());
    return readEmployee(*rs, false);
}

bool TalvorUser::inDepartment(const QString& id, const QString& dept) {
    auto rs = connection_->open(records::selectEmployeeInDepartment(id, dept));
    return !rs->eof();
}

std::optional<TalvorUser::Employee>
TalvorUser::checkEmployeePassword(const QString& id, const QString& password, QString* refusal) {
    SignInThrottle throttle(*connection_, clock(), config_.log);
    const SignInThrottle::State before = throttle.check(id);
    if (before.lockedUntil.isValid()) {
        *refusal = SignInThrottle::refusal(id, before);
        log("A sign-in of employee ID " + id + " was refused: " + *refusal);
        if (config_.signInFailed) config_.signInFailed(id, *refusal);
        return std::nullopt;
    }
    const auto e = findEmployee(id);
    // An unknown ID, or one without a password, costs what a wrong password costs.
    const bool ok = e && !e->hash.isEmpty() ? db::verifyPassword(password, e->hash)
                                            : db::verifyPasswordOfNobody(password);
    if (!ok) {
        const SignInThrottle::State after = throttle.failed(id);
        *refusal = after.locked ? SignInThrottle::refusal(id, after) : kWrongPassword;
        log("A sign-in of employee ID " + id + " failed.");
        if (config_.signInFailed) config_.signInFailed(id, "wrong employee ID or password");
        return std::nullopt;
    }
    throttle.succeeded(id);
    if (db::passwordNeedsRehash(e->hash, config_.passwordCost)) {
        try {
            connection_->execute(
                records::updatePasswordHash(e->id, db::hashPassword(password, config_.passwordCost)));
            log("The password hash of employee " + e->id + " was renewed to today's form.");
        } catch (const db::Error& err) {
            log("The password hash of employee " + e->id + " could not be renewed: " +
                err.description());
        }
    }
    return e;
}

std::unique_ptr<db::Connection> TalvorUser::serverLogin(const QString& login,
                                                        const QString& password, QString* refusal,
                                                        bool* unreachable) {
    *unreachable = false;
    try {
        auto c = config_.openConnection(login, password);
        if (c && c->isOpen()) return c;
        *refusal = "The records database cannot be reached.";
    } catch (const db::Error& e) {
        if (e.number() == kLoginFailed) {
            *refusal = login.isEmpty()
                           ? "The server did not accept your domain sign-in.\r\n\r\n" + e.description()
                           : kWrongLogin;
            log("A sign-in with login " + (login.isEmpty() ? QString("(domain ticket)") : login) +
                " was refused by the server.");
            if (config_.signInFailed)
                config_.signInFailed(login.isEmpty() ? QString("(domain ticket)") : login,
                                     "login refused by the server");
        } else {
            *unreachable = true;
            *refusal = "The records database cannot be reached.\r\n\r\n" + e.description();
        }
    }
    return nullptr;
}

std::unique_ptr<db::Connection> TalvorUser::OpenAnotherConnection() {
    QString login, password;
    {
        std::lock_guard<std::mutex> lock(anotherMutex_);
        if (!anotherAllowed_) return nullptr;
        login = anotherLogin_;
        password = anotherPassword_;
    }
    return config_.openConnection(login, password);
}

bool TalvorUser::finishSignIn(const Employee& e) {
    if (!deptCode_.isEmpty() && !inDepartment(e.id, deptCode_)) {
        config_.prompter->msgBox("Employee " + e.id + " is not registered in department " +
                                     deptCode_ + ".",
                                 mb::OKOnly, mb::Exclamation);
        return false;
    }
    employeeCode_ = e.id;
    employeeName_ = e.name;
    rights_ = e.rights;
    connected_ = true;
    return true;
}

void TalvorUser::ShowMain() {
    connected_ = false;
    const bool byLogin = config_.kind != SignInKind::EmployeePassword;
    QString proposed = byLogin ? login_ : employeeCode_;
    const QString title = QStringLiteral("Sign in - Docuvane");
    const QString ask = byLogin ? "Sign in to department " + deptCode_ +
                                      " with your own SQL Server login and password."
                                : "Sign in to department " + deptCode_ + ".";
    QString explanation = ask;
    config_.credentials->idLabel = byLogin ? QStringLiteral("&Login:")
                                           : QStringLiteral("&Employee ID:");
    bool ticketTried = config_.kind != SignInKind::DomainTicket;
    for (;;) {
        QString login, password;
        if (!ticketTried) {
            ticketTried = true; // the ticket first, without asking
        } else {
            const auto c = config_.credentials->ask(title, explanation, proposed);
            if (!c) return; // Cancel: not connected
            proposed = c->employeeId;
            if (c->employeeId.isEmpty()) {
                explanation = byLogin ? "Enter your login." : "Enter your employee ID.";
                continue;
            }
            login = c->employeeId;
            password = c->password;
        }
        try {
            QString refusal;
            std::optional<Employee> e;
            if (!byLogin) {
                if (!ensureConnection()) return;
                e = checkEmployeePassword(login, password, &refusal);
            } else {
                connection_.reset();
                bool unreachable = false;
                auto c = serverLogin(login, password, &refusal, &unreachable);
                if (unreachable && !login.isEmpty()) {
                    config_.prompter->msgBox(refusal, mb::OKOnly, mb::Critical);
                    return;
                }
                if (c) {
                    e = findEmployeeOfLogin(*c);
                    if (!e) {
                        auto rs = c->open(records::selectLoginName());
                        const QString name = rs->eof() ? login : rs->text("LoginName");
                        refusal = "The login " + name +
                                  " is not linked to an employee. Ask IT to link it to your "
                                  "employee ID.";
                        log("The login " + name + " signed in but is linked to no employee.");
                        if (config_.signInFailed)
                            config_.signInFailed(name, "login linked to no employee");
                    } else {
                        connection_ = std::move(c);
                        login_ = login;
                    }
                }
            }
            if (!e) {
                config_.prompter->msgBox(refusal, mb::OKOnly, mb::Exclamation);
                explanation = ask;
                continue;
            }
            if (!finishSignIn(*e)) {
                if (byLogin) connection_.reset();
                continue;
            }
            {
                std::lock_guard<std::mutex> lock(anotherMutex_);
                anotherAllowed_ = true;
                anotherLogin_ = byLogin ? login : QString();
                anotherPassword_ = byLogin ? password : QString();
            }
            log("Employee " + e->id + " signed in to department " + deptCode_ + ".");
            return;
        } catch (const db::Error& err) {
            config_.prompter->msgBox(err.description(), mb::OKOnly, mb::Critical);
            return;
        }
    }
}

bool TalvorUser::CheckUserSettings() {
    if (!connection_) return false;
    const bool byLogin = config_.kind != SignInKind::EmployeePassword;
    config_.credentials->idLabel = byLogin ? QStringLiteral("&Login:")
                                           : QStringLiteral("&Employee ID:");
    const auto c = config_.credentials->ask(
        QStringLiteral("Settings - Docuvane"),
        QStringLiteral("Changing settings needs the password of a user allowed to change them."),
        {});
    if (!c) return false;
    QString refusal = QStringLiteral("This user may not change settings.");
    try {
        std::optional<Employee> e;
        if (!byLogin) {
            QString why;
            e = checkEmployeePassword(c->employeeId, c->password, &why);
            if (!e && why != kWrongPassword) refusal = why;
        } else if (!c->employeeId.isEmpty()) {
            QString why;
            bool unreachable = false;
            if (auto other = serverLogin(c->employeeId, c->password, &why, &unreachable))
                e = findEmployeeOfLogin(*other);
        }
        if (e && rightsAllowSettings(e->rights)) return true;
    } catch (const db::Error&) {
    }
    config_.prompter->msgBox(refusal, mb::OKOnly, mb::Exclamation);
    return false;
}

bool TalvorUser::Reauthenticate(const QString& password) {
    if (!connected_ || !connection_) return false;
    try {
        if (config_.kind == SignInKind::EmployeePassword) {
            QString refusal;
            const auto e = checkEmployeePassword(employeeCode_, password, &refusal);
            return e.has_value();
        }
        QString refusal;
        bool unreachable = false;
        auto other = serverLogin(login_, password, &refusal, &unreachable);
        if (!other) return false;
        const auto e = findEmployeeOfLogin(*other);
        return e && e->id == employeeCode_;
    } catch (const db::Error&) {
        return false;
    }
}

bool TalvorUser::ChangePassword() {
    if (!connected_ || !connection_ || !config_.passwordChange) return false;
    if (config_.kind != SignInKind::EmployeePassword && login_.isEmpty()) {
        config_.prompter->msgBox(
            "You signed in with your domain account: change its password in the desktop's or "
            "the domain's own password change.",
            mb::OKOnly, mb::Information);
        return false;
    }
    const bool byLogin = config_.kind != SignInKind::EmployeePassword;
    const auto a = config_.passwordChange->ask(
        byLogin ? "Change the password of your SQL Server login " + login_ + "."
                : "Change the password of employee " + employeeCode_ + ".");
    if (!a) return false;
    auto refuse = [this](const QString& text) {
        config_.prompter->msgBox(text, mb::OKOnly, mb::Exclamation);
        return false;
    };
    if (a->newPassword != a->confirmation)
        return refuse("The new password and its confirmation differ. The password is unchanged.");
    if (a->newPassword == a->oldPassword)
        return refuse("The new password is the current one. The password is unchanged.");
    if (!byLogin && a->newPassword.size() < kMinimumPasswordLength)
        return refuse(QString("The new password must have at least %1 characters. The password "
                              "is unchanged.")
                          .arg(kMinimumPasswordLength));
    try {
        if (byLogin) {
            connection_->execute(records::changeOwnLoginPassword(a->oldPassword, a->newPassword));
        } else {
            QString refusal;
            if (!checkEmployeePassword(employeeCode_, a->oldPassword, &refusal))
                return refuse(refusal == kWrongPassword
                                  ? "The current password is not correct. The password is "
                                    "unchanged."
                                  : refusal);
            connection_->execute(records::updatePasswordHash(
                employeeCode_, db::hashPassword(a->newPassword, config_.passwordCost)));
        }
    } catch (const db::Error& e) {
        return refuse("The password could not be changed.\r\n\r\n" + e.description());
    }
    log("Employee " + employeeCode_ + " changed their password.");
    config_.prompter->msgBox("Your password has been changed.", mb::OKOnly, mb::Information);
    return true;
}

void TalvorUser::OpenRec(db::RecordsetPtr& rs, const QString& text) {
    if (!connection_) throw db::Error(-1, "Not connected.", text);
    rs = connection_->open(text, db::kClientReadOnly);
}

UpdateCheck checkForUpdate(const QString& updateFolder, const QString& programName) {
    const ProgramVersion v = programVersion();
    UpdateCheck r;
    r.installed = QStringLiteral("%1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision);
    r.folder = updateFolder;
    if (updateFolder.isEmpty()) return r;
    QFile f(QDir(updateFolder).filePath(programName + ".version"));
    if (!f.open(QIODevice::ReadOnly)) return r;
    const QString text = QString::fromUtf8(f.readLine(64)).trimmed();
    const QVersionNumber offered = QVersionNumber::fromString(text);
    if (!offered.isNull() && offered > QVersionNumber(v.major, v.minor, v.revision))
        r.available = offered.toString();
    return r;
}

void TalvorUser::GetUpdates(const QString& /*folder*/, const QString& programName,
                            const QString& /*fileName*/, bool /*flag*/) {
    // Files are never replaced here: the check tells the user what is installed and whether
    // the configured update folder holds a newer build.
    const QString updateFolder =
        config_.settings ? config_.settings->read(kAppPrefs, "Update", "Folder") : QString();
    const UpdateCheck u = checkForUpdate(updateFolder, programName);
    QString text;
    if (u.folder.isEmpty())
        text = programName + " " + u.installed +
               " is installed. No update folder is configured (settings section \"Update\", "
               "key \"Folder\").";
    else if (u.available.isEmpty())
        text = programName + " " + u.installed + " is installed and up to date.";
    else
        text = programName + " " + u.installed + " is installed. Version " + u.available +
               " is available in " + u.folder + ". Ask your administrator to install it.";
    config_.prompter->msgBox(text, mb::OKOnly, mb::Information);
}

} // namespace app
