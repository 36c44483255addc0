// Docuvane: the medical-records imaging client.
#include "main/Program.h"

#include <QApplication>

int main(int argc, char** argv) {
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
