#pragma once
// Access rights: the rights letter that bars changes and the settings gate.
#include <QString>

namespace app {

struct Session;

// The program access types (Session::gintStartupType).
inline constexpr int kAccessMedicalRecords = 0;
inline constexpr int kAccessNurse = 1; // view only
inline constexpr int kAccessOtherDepartment = 2;

// True, after showing "No Rights", when the signed-in user's rights bar changes.
bool refuseWithoutRights(Session& s);

// True, after showing "No Rights", when the open record's file may not be rewritten: the
// rights letter bars changes, or the access only views records (the nurse access type, or
// no scanning access). The page commands that rewrite the file (insert, append, rescan,
// import) ask this before anything else; the command state disables them for such access.
bool refuseRecordFileChange(Session& s);

// The gate in front of settings and administration commands: asks the current-user
// component once per run; a refusal asks again next time.
bool CanChangeSettings(Session& s);

} // namespace app
