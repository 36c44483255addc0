#pragma once
// Importing the image files of a folder into an open document: the files are listed in name
// order, each one is read and checked, and then all their pages go
// into the document in ONE atomic rewrite of its file. A crash, a kill, a full disk or a file
// that turns out unreadable therefore leaves the document as it was or with every readable
// file imported, never in between; files that cannot be read are skipped and reported.
// Pages keep their own size, resolution, colour and compression (nothing is resampled).
#include <QString>
#include <QStringList>
#include <vector>

namespace imaging {
class DocumentModel;
}
namespace jobs {
class Progress;
}

namespace capture {

// The ordinary files of `nativeFolder` (no folders, hidden or system files), sorted by name
// without regard to case (the order the file server lists them in).
QStringList importableFiles(const QString& nativeFolder);

struct ImportedFile {
    QString name;
    int pages = 0;   // pages taken from it (0 when it was skipped)
    QString failure; // why it was skipped
};

struct ImportOutcome {
    std::vector<ImportedFile> files; // in the order of the listing
    int filesAdded = 0;
    int pagesAdded = 0;
    int filesSkipped = 0;
};

// Puts every page of every readable file of `names` (in `nativeFolder`) into `model`: before
// page `destPage` (1-based; the files' pages in the order of `names`) or, when `destPage` is
// 0, after the last page. Safe on a worker thread: `progress` (optional) shows "File n of m"
// and a cancel request stops between files, before anything is written (jobs::Cancelled).
// Raises imaging::Error when the document cannot be written; it is then unchanged.
ImportOutcome importFiles(imaging::DocumentModel& model, const QString& nativeFolder,
                          const QStringList& names, int destPage, jobs::Progress* progress);

} // namespace capture
