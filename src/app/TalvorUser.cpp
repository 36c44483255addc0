#include "app/TalvorUser.h"

#include "app/Prompter.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/SignIn.h"
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

bool TalvorUser::ensureConnection(const QString& password) {
    if (connection_ && connection_->isOpen()) return true;
    try {
        connection_ = config_.openConnection(password);
        return connection_ && connection_->isOpen();
    } catch (const db::Error& e) {
        connection_.reset();
        config_.prompter->msgBox("The records database cannot be reached.\r\n\r\n" +
                                     e.description(),
                                 mb::OKOnly, mb::Critical);
        return false;
    }
}

std::optional<TalvorUser::Employee> TalvorUser::findEmployee(const QString& id) {
    auto rs = connection_->open(records::selectSignInEmployee(id));
    if (rs->eof()) return std::nullopt;
    Employee e;
    e.id = rs->text("EmployeeID").trimmed();
    e.name = (rs->text("Lastname").trimmed() + ", " + rs->text("FirstName").trimmed() + " " +
              rs->text("MiddleName").trimmed())
                 .trimmed();
    e.rights = rs->text("UserRights").trimmed();
    e.hash = rs->text("PasswordHash").trimmed();
    return e;
}

bool TalvorUser::inDepartment(const QString& id, const QString& dept) {
    auto rs = connection_->open(records::selectEmployeeInDepartment(id, dept));
    return !rs->eof();
}

void TalvorUser::ShowMain() {
    connected_ = false;
    QString proposed = employeeCode_;
    const QString title = QStringLiteral("Sign in - Docuvane");
    QString explanation = "Sign in to department " + deptCode_ + ".";
    for (;;) {
        const auto c = config_.credentials->ask(title, explanation, proposed);
        if (!c) return; // Cancel: not connected
        proposed = c->employeeId;
        if (c->employeeId.isEmpty()) {
            explanation = "Enter your employee ID.";
            continue;
        }
        if (!ensureConnection(c->password)) return;
        try {
            const auto e = findEmployee(c->employeeId);
            const bool passwordOk =
                e && (e->hash.isEmpty() ? config_.acceptConnectionLogin
                                        : db::verifyPassword(c->password, e->hash));
            if (!passwordOk) {
                config_.prompter->msgBox("The employee ID or the password is not correct.",
                                         mb::OKOnly, mb::Exclamation);
                explanation = "Sign in to department " + deptCode_ + ".";
                continue;
            }
            if (!deptCode_.isEmpty() && !inDepartment(e->id, deptCode_)) {
                config_.prompter->msgBox("Employee " + e->id + " is not registered in department " +
                                             deptCode_ + ".",
                                         mb::OKOnly, mb::Exclamation);
                continue;
            }
            employeeCode_ = e->id;
            employeeName_ = e->name;
            rights_ = e->rights;
            connected_ = true;
            return;
        } catch (const db::Error& err) {
            config_.prompter->msgBox(err.description(), mb::OKOnly, mb::Critical);
            return;
        }
    }
}

bool TalvorUser::CheckUserSettings() {
    if (!connection_) return false;
    const auto c = config_.credentials->ask(
        QStringLiteral("Settings - Docuvane"),
        QStringLiteral("Changing settings needs the password of a user allowed to change them."),
        {});
    if (!c) return false;
    try {
        const auto e = findEmployee(c->employeeId);
        if (e && !e->hash.isEmpty() && db::verifyPassword(c->password, e->hash) &&
            rightsAllowSettings(e->rights))
            return true;
    } catch (const db::Error&) {
    }
    config_.prompter->msgBox("This user may not change settings.", mb::OKOnly, mb::Exclamation);
    return false;
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
