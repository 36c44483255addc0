#pragma once
// Access rights: the rights letter that bars changes and the settings gate.
#include <QString>

namespace app {

struct Session;

// True, after showing "No Rights", when the signed-in user's rights bar changes.
bool refuseWithoutRights(Session& s);

// The gate in front of settings and administration commands: asks the current-user
// component once per run; a refusal asks again next time.
bool CanChangeSettings(Session& s);

} // namespace app
