#include "capture/PageImport.h"

#include "imaging/documents/Document.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PageOps.h"
#include "jobs/Job.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace capture {

QStringList importableFiles(const QString& nativeFolder) {
    QStringList names = QDir(nativeFolder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b; // names differing in case only: a stable order
    });
    return names;
}

namespace {

// A source file read and checked: it is an image file this program reads, and the layout of
// every page can be read (its pixels are copied as they are, not decoded). Files of ordinary size are kept in
// memory, so that a folder of thousands of files does not hold them all open until the write.
constexpr qint64 kInMemoryBytes = 64LL * 1024 * 1024;

imaging::DocumentPtr readChecked(const QString& nativePath) {
    imaging::DocumentPtr doc;
    QFile f(nativePath);
    if (f.size() > kInMemoryBytes) {
        doc = imaging::Document::open(nativePath);
    } else {
        if (!f.open(QIODevice::ReadOnly))
            throw imaging::Error(imaging::kErrFileAccess,
                                 QStringLiteral("The file cannot be read: %1").arg(f.errorString()));
        const QByteArray bytes = f.readAll();
        if (f.error() != QFileDevice::NoError)
            throw imaging::Error(imaging::kErrFileAccess,
                                 QStringLiteral("The file cannot be read: %1").arg(f.errorString()));
        doc = imaging::Document::openBytes(bytes, nativePath);
    }
    for (int i = 0; i < doc->pageCount(); ++i) doc->pageInfo(i);
    return doc;
}

QString describe(const std::exception& e) {
    if (const auto* ie = dynamic_cast<const imaging::Error*>(&e)) return ie->description();
    return QString::fromLocal8Bit(e.what());
}

} // namespace

ImportOutcome importFiles(imaging::DocumentModel& model, const QString& nativeFolder,
                          const QStringList& names, int destPage, jobs::Progress* progress) {
    ImportOutcome out;
    std::vector<imaging::PageSource> pages;
    const QDir folder(nativeFolder);
    const int m = int(names.size());
    for (int n = 0; n < m; ++n) {
        if (progress) {
            progress->checkCancel();
            progress->set(n, m, QStringLiteral("File %1 of %2").arg(n + 1).arg(m));
        }
        ImportedFile file;
        file.name = names[n];
        try {
            const imaging::DocumentPtr doc = readChecked(folder.filePath(names[n]));
            file.pages = doc->pageCount();
            for (int i = 0; i < doc->pageCount(); ++i)
                pages.push_back(imaging::PageSource::copy(doc, i));
            ++out.filesAdded;
            out.pagesAdded += file.pages;
        } catch (const std::bad_alloc&) {
            file.failure = QStringLiteral("There is not enough memory to read the file.");
        } catch (const std::exception& e) {
            file.failure = describe(e);
        }
        if (!file.failure.isEmpty()) ++out.filesSkipped;
        out.files.push_back(std::move(file));
    }
    if (progress) {
        progress->checkCancel();
        progress->set(m, m, QStringLiteral("Writing %1 pages into the document").arg(out.pagesAdded));
    }
    if (pages.empty()) return out;
    model.insertPageSources(destPage > 0 ? destPage : model.pageCount() + 1, pages);
    return out;
}

} // namespace capture
