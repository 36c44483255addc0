// Docuvane: the medical-records imaging client.
#include "main/Program.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Asked from a terminal (or by an installation check): what the program is, no window.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: docuvane\n"
                        "Docuvane, the medical-records imaging client: scan, file, find and view\n"
                        "patients' records. It starts with its start-up window; its settings and\n"
                        "database connection are described in docs/deployment.md.\n");
            return 0;
        }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Docuvane");
    QApplication::setOrganizationName("TALVOR");
    QApplication::setQuitOnLastWindowClosed(false);

    program::Program program(program::Folders::standard());
    QObject::connect(&program, &program::Program::ended, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    if (!program.start()) return 1;
    return app.exec();
}
