#include "doubles/ScriptedDialogs.h"

namespace doubles {

bool ScriptedPrintDialogRunner::run(imaging::PrintDialogRequest& request) {
    const std::optional<Answer> a = script_.next(request);
    if (!a) return false;
    request.firstPage = a->firstPage;
    request.lastPage = a->lastPage;
    request.option = a->option;
    request.printAnnotations = a->printAnnotations;
    return true;
}

} // namespace doubles
