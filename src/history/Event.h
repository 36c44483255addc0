#pragma once
// One action of an employee on the records, as the access history keeps it.
#include "records/HistoryStatements.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace history {

enum class Action {
    SignIn,
    SignOut,
    SignInFailed,
    RecordSearch,
    AdmissionSearch,
    OpenRecord,
    OpenImage,
    Print,
    PrintPage,
    Save,
    SaveAs,
    DeletePages,
    InsertPages,
    AppendPages,
    RescanPages,
    DuplicatePage,
    ImportPages,
    BurnIn,
    DeleteRecord,
    RecordTypeChange,
    MaintenanceSave,
    ExportPdf,
    VersionRestore,
    Undo,
    Redo,
};

// The text stored in the action column ("open record", "print page", ...).
QString actionName(Action action);
// Every action, in the order above.
const std::vector<Action>& allActions();

struct Event {
    Action action = Action::OpenRecord;
    QDateTime at; // when it happened; filled in when recorded without one
    QString employee;
    QString workstation;
    QString accessType;
    QString department;
    qint64 recFileId = 0;
    QString admissionId;
    QString hospitalNumber;
    QString fileName;
    QString pages;
    QString details;
};

// The row the history table gets for an event; with `withItsTime` false it takes the
// database's time.
records::HistoryRow toRow(const Event& event, bool withItsTime);

// One line of the spool file (compact JSON, no line break inside) and back; a line that is
// not a whole event (cut short by a kill) gives nothing.
QByteArray toSpoolLine(const Event& event);
std::optional<Event> fromSpoolLine(const QByteArray& line);

} // namespace history
