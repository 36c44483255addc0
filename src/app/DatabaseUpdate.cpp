#include "app/DatabaseUpdate.h"

#include "app/Components.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "records/SchemaUpdate.h"

namespace app {

int UpdateDatabase(Session& s) {
    db::Connection* c = nullptr;
    // Without a connection nothing can be updated: said at once, not "Done.".
    if (!Steps(FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter)([&] {
            c = &recordsConnection(s);
        }))
        return int(records::schemaUpdateStatements().size());
    Steps steps(FailureStyle::Log, s.svc.log, s.svc.prompter);
    for (const QString& statement : records::schemaUpdateStatements())
        steps([&] { c->execute(statement); });
    s.svc.prompter->msgBox("Done.", mb::OKOnly);
    return steps.failures();
}

void UpdateModule(Session& s) {
    // A new instance, not the session's signed-in one.
    Steps steps(FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter);
    steps([&] {
        std::shared_ptr<CurrentUser> updater =
            s.svc.components->createCurrentUser(kCurrentUserProgId);
        updater->GetUpdates(s.svc.programFolder, "Docuvane", "Docuvane.exe", true);
    });
}

} // namespace app
