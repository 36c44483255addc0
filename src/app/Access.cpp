#include "app/Access.h"

#include "app/CurrentUser.h"
#include "app/Prompter.h"
#include "app/Session.h"

namespace app {

bool refuseWithoutRights(Session& s) {
    if (!rightsBarChanges(s.gobjCurrentUser->UserRights())) return false;
    s.svc.prompter->msgBox("No Rights", mb::OKOnly);
    return true;
}

bool CanChangeSettings(Session& s) {
    if (s.gblnSettingsUnlocked) return true;
    if (!s.gobjCurrentUser->CheckUserSettings()) return false;
    s.gblnSettingsUnlocked = true;
    return true;
}

} // namespace app
