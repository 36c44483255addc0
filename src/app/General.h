#pragma once
// Small shared procedures used across the program.
#include <QString>

namespace app {

struct Session;
class PathMapper;

// True when the (logical) path names an existing folder.
bool FolderExists(const PathMapper& paths, const QString& path);

// Takes the text before the first `delimiter` (case-sensitive) and leaves what follows it in
// `text`; without a delimiter returns the whole text and leaves "".
QString GetToken(QString& text, const QString& delimiter);

// The part after the last "\" (or "/" of a native path), trimmed; a path ending in a
// separator gives "".
QString GetFileNameFromPath(const QString& path);

// Creates a native folder (and its parents) when missing and makes it the user's alone
// (0700), whatever the umask: the data folder, the temporary scans, the settings. False when
// it cannot be made.
bool makePrivateFolder(const QString& nativeFolder);

// The program's per-user "Windows folder" (see SystemInfo), with a trailing "\" added when
// `addBackslash` is true and removed when false.
QString GetWindowsDir(const Session& s, bool addBackslash);

// "Lastname, FirstName MiddleName" of an employee, trimmed; "" for an empty id or no row.
// Database errors pass to the caller.
QString GetEmployeeFullName(Session& s, const QString& employeeId);

} // namespace app
