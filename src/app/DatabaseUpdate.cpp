#include "app/DatabaseUpdate.h"

#include "app/Components.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "app/Session.h"

namespace app {

const QStringList& updateDatabaseStatements() {
    static const QStringList statements{
        "alter table dbrecords..tblrecfiles alter column file_name varchar(150)",
        "USE [dbRecords]",
        "CREATE CLUSTERED INDEX [by_recfile_id] ON dbrecords.[dbo].[tblRecFiles]([recfile_id] ASC "
        ")WITH (PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, SORT_IN_TEMPDB = OFF, DROP_EXISTING "
        "= OFF, ONLINE = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON)",
        "CREATE NONCLUSTERED INDEX [by_IDNum] ON [dbo].[tblRecFiles](    [admission_id] ASC )WITH "
        "(PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, SORT_IN_TEMPDB = OFF, DROP_EXISTING = OFF, "
        "ONLINE = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON) ON [PRIMARY]",
        "alter table dbrecords..tblrecfiles add  Description varchar(150)",
        "alter table dbrecords..tblRecType add  DepartmentID varchar(50)",
        "CREATE  INDEX [by_Description] ON dbrecords.[dbo].[tblRecFiles]([recfile_id] ASC )WITH "
        "(PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, SORT_IN_TEMPDB = OFF, DROP_EXISTING = OFF, "
        "ONLINE = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON)",
    };
    return statements;
}

int UpdateDatabase(Session& s) {
    Steps steps(FailureStyle::Log, s.svc.log, s.svc.prompter);
    db::Connection* c = s.gobjCurrentUser->sqlconnection();
    for (const QString& statement : updateDatabaseStatements())
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
