// Saves a document over and over, for the test that kills a writer in the middle of a save:
//   imaging_kill_helper DEST SOURCE_A SOURCE_B
// writes DEST alternately as a copy of SOURCE_A and of SOURCE_B (each page raw-copied, the
// first page encoded anew every time) until it is killed. It prints "ready" before the first
// write and "A" or "B" after each completed one.
#include "imaging/documents/Document.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PageOps.h"

#include <QCoreApplication>
#include <cstdio>

using namespace imaging;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: imaging_kill_helper DEST SOURCE_A SOURCE_B\n");
        return 2;
    }
    const QString dest = QString::fromLocal8Bit(argv[1]);
    const DocumentPtr sources[2] = {Document::open(QString::fromLocal8Bit(argv[2])),
                                    Document::open(QString::fromLocal8Bit(argv[3]))};
    std::vector<PageSource> versions[2];
    for (int v = 0; v < 2; ++v) {
        const DocumentPtr& doc = sources[v];
        const PageInfo first = doc->pageInfo(0);
        versions[v].push_back(
            PageSource::pixels(doc->decodePage(0), first.xDpi, first.yDpi, doc->annotations(0)));
        for (int i = 1; i < doc->pageCount(); ++i)
            versions[v].push_back(PageSource::copy(doc, i));
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (unsigned round = 0;; ++round) {
        try {
            writeDocument(dest, versions[round % 2]);
            std::printf("%c\n", round % 2 ? 'B' : 'A'); // this version is now in place
            std::fflush(stdout);
        } catch (const Error& e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.description()));
            return 1;
        }
    }
}
