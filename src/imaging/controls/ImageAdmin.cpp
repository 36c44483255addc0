#include "imaging/controls/ImageAdmin.h"

#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PageOps.h"
#include "imaging/controls/Environment.h"

#include <QFile>
#include <QFileInfo>

namespace imaging {

namespace {

// Folder and name parts of a logical path, which may use either separator.
int lastSeparator(const QString& path) {
    return std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
}

QString fileNamePart(const QString& path) {
    return path.mid(lastSeparator(path) + 1);
}

QString folderPart(const QString& path) {
    const int i = lastSeparator(path);
    return i < 0 ? QString() : path.left(i + 1);
}

} // namespace

ImageAdmin::ImageAdmin(QObject* parent) : ImageAdmin(realEnvironment(), parent) {}

ImageAdmin::ImageAdmin(EnvironmentPtr env, QObject* parent)
    : QObject(parent), env_(env ? std::move(env) : realEnvironment()),
      fileRunner_(env_->fileDialog), printRunner_(env_->printDialog) {}
ImageAdmin::~ImageAdmin() = default;

template <class F> auto ImageAdmin::guarded(F&& work) -> decltype(work()) {
    status_ = 0;
    try {
        return work();
    } catch (const Error& e) {
        status_ = e.number();
        throw;
    } catch (const std::bad_alloc&) {
        status_ = kErrTooLarge;
        throw Error(kErrTooLarge, "There is not enough memory for this operation.");
    }
}

void ImageAdmin::setImage(const QString& path) {
    status_ = 0;
    if (path != image_) cached_.reset();
    image_ = path;
    page_ = 1;
}

void ImageAdmin::requireImage() const {
    if (image_.isEmpty()) throw Error(kErrNoDocument, "No image file is set.");
}

DocumentPtr ImageAdmin::document() {
    requireImage();
    if (cached_) {
        const QFileInfo file(env_->nativePath(image_));
        if (file.exists() && file.size() == cached_->fileSize() &&
            file.lastModified().toMSecsSinceEpoch() == cached_->modifiedMsecs())
            return cached_;
        cached_.reset();
    }
    cached_ = Document::open(image_, env_->paths);
    return cached_;
}

namespace {
// The file type from a file's first bytes; used when the file is already open in a model
// (and so known to be a good document), to spare walking its pages again.
int sniffFileType(const QString& nativeFile) {
    QFile f(nativeFile);
    if (!f.open(QIODevice::ReadOnly)) return kFileUnknown;
    const QByteArray head = f.read(8);
    if (head.startsWith("II") || head.startsWith("MM")) return kFileTiff;
    if (head.startsWith("BM")) return kFileBmp;
    if (head.startsWith("\x89PNG")) return kFilePng;
    if (head.startsWith("\xff\xd8")) return kFileJpeg;
    return kFileUnknown;
}
} // namespace

int ImageAdmin::fileType() {
    status_ = 0;
    if (image_.isEmpty() || !QFileInfo::exists(env_->nativePath(image_))) return kFileUnknown;
    if (DocumentModel::find(image_)) {
        const int sniffed = sniffFileType(env_->nativePath(image_));
        if (sniffed != kFileUnknown) return sniffed;
    }
    try {
        return document()->fileType();
    } catch (const Error&) {
        return kFileUnknown;
    }
}

int ImageAdmin::pageCount() {
    return guarded([&] {
        requireImage();
        if (auto model = DocumentModel::find(image_)) return model->pageCount();
        return document()->pageCount();
    });
}

QString ImageAdmin::damage() {
    if (image_.isEmpty()) return {};
    if (auto model = DocumentModel::find(image_)) return model->damage();
    try {
        return document()->damage();
    } catch (const Error&) {
        return {};
    }
}

void ImageAdmin::setPage(int page) {
    guarded([&] {
        const int count = pageCount();
        if (page < 1 || page > count)
            throw Error(
                kErrBadPage,
                QString("Page %1 does not exist (the file has %2 pages).").arg(page).arg(count));
        page_ = page;
    });
}

QString ImageAdmin::getUniqueName(const QString& folder, const QString& prefix,
                                  const QString& extension) {
    return guarded([&] { return uniqueFileName(folder, prefix, extension, env_->paths); });
}

void ImageAdmin::deletePages(int firstPage, int count) {
    guarded([&] {
        requireImage();
        if (auto model = DocumentModel::find(image_))
            model->deletePages(firstPage, count);
        else
            imaging::deletePages(image_, firstPage, count, env_->paths);
        cached_.reset();
    });
}

void ImageAdmin::insert(const QString& source, int sourcePage, int destPage, int count) {
    guarded([&] {
        requireImage();
        if (auto model = DocumentModel::find(image_))
            model->insertPagesFrom(source, sourcePage, destPage, count);
        else
            insertPages(image_, source, sourcePage, destPage, count, env_->paths);
        cached_.reset();
    });
}

void ImageAdmin::append(const QString& source, int firstPage, int count) {
    guarded([&] {
        requireImage();
        if (auto model = DocumentModel::find(image_))
            model->appendPagesFrom(source, firstPage, count);
        else
            appendPages(image_, source, firstPage, count, env_->paths);
        cached_.reset();
    });
}

void ImageAdmin::setFilterIndex(int index) {
    guarded([&] {
        if (index < 1)
            throw Error(kErrBadArgument, QString("Filter index %1 is not valid.").arg(index));
        filterIndex_ = index;
    });
}

void ImageAdmin::raiseCancel() {
    status_ = kCancelError;
    throw Error(kCancelError, "Cancel was selected.");
}

bool ImageAdmin::showFileDialog(int kind, QWidget* owner) {
    return guarded([&] {
        if (kind != kFileDialogOpen && kind != kFileDialogSave)
            throw Error(kErrBadArgument, QString("Unknown file dialog kind %1.").arg(kind));
        FileDialogRequest request;
        request.kind = kind;
        request.caption = !dialogTitle_.isEmpty()   ? dialogTitle_
                          : kind == kFileDialogOpen ? tr("Open")
                                                    : tr("Save As");
        request.filter = filter_;
        request.filterIndex = filterIndex_;
        const QString folder = !initDir_.isEmpty() ? initDir_ : folderPart(image_);
        request.initialFolder = folder.isEmpty() ? QString() : env_->nativePath(folder);
        const QString name = fileNamePart(image_);
        if (!name.contains('*') && !name.contains('?')) request.fileName = name;
        request.flags = flags_;
        request.owner = owner;

        const std::optional<FileDialogAnswer> answer = fileRunner_->run(request);
        if (!answer) {
            if (cancelError_) raiseCancel();
            return false;
        }
        setImage(answer->path);
        filterIndex_ = std::max(1, answer->filterIndex);
        return true;
    });
}

bool ImageAdmin::showPrintDialog(QWidget* owner) {
    return guarded([&] {
        const int count = pageCount();
        PrintDialogRequest request;
        request.firstPage = 1;
        request.lastPage = count;
        request.option = printOption_;
        request.printAnnotations = printAnnotations_;
        request.pageCount = count;
        request.owner = owner;
        if (!printRunner_->run(request)) {
            if (cancelError_) raiseCancel();
            return false;
        }
        if (request.firstPage < 1 || request.lastPage < request.firstPage ||
            request.lastPage > count)
            throw Error(kErrBadPage, QString("Pages %1 to %2 cannot be printed: the file has "
                                             "pages 1 to %3.")
                                         .arg(request.firstPage)
                                         .arg(request.lastPage)
                                         .arg(count));
        printStart_ = request.firstPage;
        printEnd_ = request.lastPage;
        printOption_ = request.option;
        printAnnotations_ = request.printAnnotations;
        return true;
    });
}

void ImageAdmin::setFileDialogRunner(std::shared_ptr<FileDialogRunner> runner) {
    fileRunner_ = runner ? std::move(runner) : env_->fileDialog;
}

void ImageAdmin::setPrintDialogRunner(std::shared_ptr<PrintDialogRunner> runner) {
    printRunner_ = runner ? std::move(runner) : env_->printDialog;
}

} // namespace imaging
