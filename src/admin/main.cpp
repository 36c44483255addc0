// docuvane-admin: the administrators' command-line tool (see docs/admin-tool.md).
#include "admin/AdminTool.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = admin::runAdmin(app.arguments().mid(1), app::ProgramFolders::standard(),
                                       out, err, isatty(STDERR_FILENO) != 0);
    out.flush();
    err.flush();
    return status;
}
