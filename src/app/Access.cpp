#include "app/Access.h"

#include "app/CurrentUser.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "db/DbError.h"

namespace app {

bool refuseWithoutRights(Session& s) {
    if (!rightsBarChanges(s.gobjCurrentUser->UserRights())) return false;
    s.svc.prompter->msgBox("No Rights", mb::OKOnly);
    return true;
}

bool refuseRecordFileChange(Session& s) {
    if (s.gblnAdmin && s.gintStartupType != kAccessNurse) return refuseWithoutRights(s);
    s.svc.prompter->msgBox("No Rights", mb::OKOnly);
    return true;
}

db::Connection& recordsConnection(const Session& s) {
    db::Connection* c = s.gobjCurrentUser ? s.gobjCurrentUser->sqlconnection() : nullptr;
    if (!c) throw db::Error(3709, "There is no connection to the records database.");
    return *c;
}

bool CanChangeSettings(Session& s) {
    if (s.gblnSettingsUnlocked) return true;
    if (!s.gobjCurrentUser->CheckUserSettings()) return false;
    s.gblnSettingsUnlocked = true;
    return true;
}

} // namespace app
