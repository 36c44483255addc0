#include "app/Session.h"

#include "app/Log.h"
#include "app/Version.h"

namespace app {

void Session::WriteLog(const QString& text) const {
    if (svc.log) svc.log->writeLog(text);
}

ProgramVersion programVersion() {
    return {DOCUVANE_VERSION_MAJOR, DOCUVANE_VERSION_MINOR, DOCUVANE_VERSION_REVISION};
}

} // namespace app
