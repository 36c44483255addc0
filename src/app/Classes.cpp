#include "app/Classes.h"

#include "app/Components.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "app/Session.h"

namespace app {

void InitClassesComponent(Session& s) {
    if (s.gblnClassesReady) return;
    try {
        s.gobjClasses = s.svc.components->createClasses(kClassesProgId);
        s.gobjClasses->setExepath(s.svc.programFolder);
        s.gobjClasses->SetTalvorUser(s.gobjCurrentUser);
        s.gblnClassesReady = true;
    } catch (...) {
        const ErrorInfo e = describeCurrentException();
        s.svc.prompter->msgBox("Register TALVORClasses.dll. " + e.description, mb::OKOnly);
    }
}

} // namespace app
