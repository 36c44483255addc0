// Imports a folder into a record the way "Import" does, for the test that kills the program
// in the middle of an import:
//   capture_import_helper RECORD FOLDER
// appends every image file of FOLDER (native paths) to RECORD in one rewrite. It prints
// "ready" once the record is open and "done N" with the pages added when the import is over.
#include "capture/PageImport.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/ImagingError.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: capture_import_helper RECORD FOLDER\n");
        return 2;
    }
    const QString record = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    try {
        const imaging::DocumentModelPtr model = imaging::DocumentModel::acquire(record);
        const QStringList names = capture::importableFiles(folder);
        std::printf("ready\n");
        std::fflush(stdout);
        const capture::ImportOutcome outcome = capture::importFiles(*model, folder, names, 0, nullptr);
        std::printf("done %d\n", outcome.pagesAdded);
        std::fflush(stdout);
    } catch (const imaging::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
