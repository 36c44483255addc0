#include "app/Session.h"

#include "app/Access.h"
#include "app/CurrentUser.h"
#include "app/Log.h"
#include "app/SystemInfo.h"
#include "app/Version.h"
#include "history/Recorder.h"

namespace app {

void Session::WriteLog(const QString& text) const {
    if (svc.log) svc.log->writeLog(text);
}

QString accessTypeName(int startupType) {
    switch (startupType) {
    case kAccessMedicalRecords:
        return QStringLiteral("medical records");
    case kAccessNurse:
        return QStringLiteral("nurse");
    case kAccessOtherDepartment:
        return QStringLiteral("other department");
    default:
        return QString::number(startupType);
    }
}

void Session::recordHistory(history::Event e) const {
    if (!history) return;
    if (e.employee.isEmpty() && gobjCurrentUser) e.employee = gobjCurrentUser->EmployeeCode();
    if (svc.system) e.workstation = svc.system->computerName();
    e.accessType = accessTypeName(gintStartupType);
    e.department = gstrDepartmentID;
    history->record(e);
}

void Session::recordRecordHistory(history::Action action, const QString& pages,
                                  const QString& details) const {
    history::Event e;
    e.action = action;
    e.recFileId = rec.gstrRecFileId.toLongLong();
    e.admissionId = rec.gstrAdmissionID;
    e.hospitalNumber = rec.gstrHospNum;
    e.fileName = rec.gstrCurrentFile;
    e.pages = pages;
    e.details = details;
    recordHistory(e);
}

ProgramVersion programVersion() {
    return {DOCUVANE_VERSION_MAJOR, DOCUVANE_VERSION_MINOR, DOCUVANE_VERSION_REVISION};
}

} // namespace app
