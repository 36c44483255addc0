#include "history/Event.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace history {

namespace {

struct Named {
    Action action;
    const char* name;
};

const Named kNames[] = {
    {Action::SignIn, "sign-in"},
    {Action::SignOut, "sign-out"},
    {Action::SignInFailed, "failed sign-in"},
    {Action::RecordSearch, "record search"},
    {Action::AdmissionSearch, "admission search"},
    {Action::OpenRecord, "open record"},
    {Action::OpenImage, "open image"},
    {Action::Print, "print"},
    {Action::PrintPage, "print page"},
    {Action::Save, "save"},
    {Action::SaveAs, "save as"},
    {Action::DeletePages, "delete pages"},
    {Action::InsertPages, "insert pages"},
    {Action::AppendPages, "append pages"},
    {Action::RescanPages, "rescan pages"},
    {Action::DuplicatePage, "duplicate page"},
    {Action::ImportPages, "import pages"},
    {Action::BurnIn, "burn in annotations"},
    {Action::DeleteRecord, "delete record"},
    {Action::RecordTypeChange, "record type change"},
    {Action::MaintenanceSave, "maintenance save"},
    {Action::ExportPdf, "export pdf"},
    {Action::VersionRestore, "restore version"},
    {Action::Undo, "undo"},
    {Action::Redo, "redo"},
};

const char* const kTime = "yyyy-MM-ddTHH:mm:ss.zzz";

} // namespace

QString actionName(Action action) {
    for (const Named& n : kNames)
        if (n.action == action) return QString::fromLatin1(n.name);
    return {};
}

const std::vector<Action>& allActions() {
    static const std::vector<Action> all = [] {
        std::vector<Action> v;
        for (const Named& n : kNames) v.push_back(n.action);
        return v;
    }();
    return all;
}

records::HistoryRow toRow(const Event& e, bool withItsTime) {
    records::HistoryRow r;
    if (withItsTime) r.at = e.at;
    r.employee = e.employee;
    r.workstation = e.workstation;
    r.accessType = e.accessType;
    r.department = e.department;
    r.action = actionName(e.action);
    r.recFileId = e.recFileId;
    r.admissionId = e.admissionId;
    r.hospitalNumber = e.hospitalNumber;
    r.fileName = e.fileName;
    r.pages = e.pages;
    r.details = e.details;
    return r;
}

QByteArray toSpoolLine(const Event& e) {
    QJsonObject o{{"at", e.at.toString(kTime)},
                  {"action", actionName(e.action)},
                  {"employee", e.employee},
                  {"workstation", e.workstation},
                  {"accessType", e.accessType},
                  {"department", e.department},
                  {"recFileId", QString::number(e.recFileId)},
                  {"admissionId", e.admissionId},
                  {"hospitalNumber", e.hospitalNumber},
                  {"fileName", e.fileName},
                  {"pages", e.pages},
                  {"details", e.details}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<Event> fromSpoolLine(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    const QJsonObject o = doc.object();
    const QString name = o.value("action").toString();
    std::optional<Action> action;
    for (const Named& n : kNames)
        if (name == QLatin1String(n.name)) action = n.action;
    const QDateTime at = QDateTime::fromString(o.value("at").toString(), kTime);
    if (!action || !at.isValid()) return std::nullopt;
    Event e;
    e.action = *action;
    e.at = at;
    e.employee = o.value("employee").toString();
    e.workstation = o.value("workstation").toString();
    e.accessType = o.value("accessType").toString();
    e.department = o.value("department").toString();
    e.recFileId = o.value("recFileId").toString().toLongLong();
    e.admissionId = o.value("admissionId").toString();
    e.hospitalNumber = o.value("hospitalNumber").toString();
    e.fileName = o.value("fileName").toString();
    e.pages = o.value("pages").toString();
    e.details = o.value("details").toString();
    return e;
}

} // namespace history
