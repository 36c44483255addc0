#pragma once
// The values that live for the whole run: the session state, the record context, and the
// platform services every window uses. One Session exists per run; windows get it by
// reference.
#include <QString>
#include <memory>

namespace history {
class Recorder;
struct Event;
enum class Action;
} // namespace history

namespace app {

class SettingsStore;
class Prompter;
class Clock;
class Shell;
class SystemInfo;
class LogSink;
class PathMapper;
class ComponentFactory;
class FolderDialog;
class CurrentUser;
class ClassesComponent;

// The platform edges. Real implementations in the program, doubles in tests.
struct Services {
    SettingsStore* settings = nullptr;
    Prompter* prompter = nullptr;
    Clock* clock = nullptr;
    Shell* shell = nullptr;
    SystemInfo* system = nullptr;
    LogSink* log = nullptr;
    PathMapper* paths = nullptr;
    ComponentFactory* components = nullptr;
    FolderDialog* folders = nullptr; // null: Qt's folder dialog
    QString programFolder; // folder of the program's executable
};

// The record being filed or viewed, as text values.
struct RecordContext {
    QString gstrAdmissionID;
    QString gstrHospNum;
    QString gstrPatientName;
    QString gstrAdmDate;
    QString gstrDisDate;
    QString gstrDescription;
    QString gstrRecTypeName;
    QString gstrScanUpdate;
    QString gstrEmployeeID;
    QString gstrCurrentFile;
    QString gstrRecFileId;
    QString gstrRecDate;
};

struct Session {
    explicit Session(Services s) : svc(std::move(s)) {}

    Services svc;

    std::shared_ptr<CurrentUser> gobjCurrentUser;
    std::shared_ptr<ClassesComponent> gobjClasses;
    bool gblnClassesReady = false;
    int gintStartupType = 0;       // 0 medical records, 1 nurse, 2 other department
    bool gblnAdmin = false;
    bool gblnSettingsUnlocked = false;
    int gintPlatformId = 0;
    QString gstrTempDir;
    QString gstrDefaultDirectoryD; // configured storage root
    QString gstrDefaultDirectory;  // effective storage root (with the department folder)
    QString gstrDeptFolder;
    QString gstrDepartmentID;
    QString gstrZoom;
    bool gblnShowScrollbars = false;

    RecordContext rec;

    // WriteLog, through the session's log.
    void WriteLog(const QString& text) const;

    // The access history (none: nothing is recorded).
    history::Recorder* history = nullptr;
    // Records one action, with who did it: the signed-in employee, this workstation, the
    // access type and the department.
    void recordHistory(history::Event event) const;
    // Records an action on the record in `rec` (its recfile_id, ID, hospital number and file).
    void recordRecordHistory(history::Action action, const QString& pages = {},
                             const QString& details = {}) const;
};

// The access type's name in the access history.
QString accessTypeName(int startupType);

// The program's version (8.0.78 in this build) as shown in the title.
struct ProgramVersion {
    int major, minor, revision;
};
ProgramVersion programVersion();

} // namespace app
