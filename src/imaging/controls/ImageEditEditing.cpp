// The page display's edits: clipboard, image operations, page properties, save and print.
#include "imaging/documents/EditOperations.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageEditDialogs.h"
#include "imaging/pixels/ImageOps.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/controls/PagePropertiesDialog.h"
#include "imaging/controls/PageRenderer.h"
#include "imaging/controls/Print.h"
#include "jobs/Job.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <cmath>

namespace imaging {

namespace {
// Annotations on the clipboard, in the format of the annotation tag.
const QString kAnnotationMime = QStringLiteral("application/x-docuvane-annotations");

QClipboard& clipboard() {
    return *QGuiApplication::clipboard();
}
} // namespace

void ImageEdit::apply(std::unique_ptr<PageOperation> op) {
    requirePage();
    const bool annotationsOnly = op->annotationsOnly();
    const int page = op->pageIndex();
    const quint64 before = model_->pageRevision(page);
    model_->apply(std::move(op));
    // Annotations are drawn over the rendering, so a change of annotations keeps it.
    if (annotationsOnly) renderer_->carryOver(page, before, model_->pageRevision(page));
    viewport()->update();
}

// ---- selections ----

void ImageEdit::clearSelections(bool announce) {
    const bool had = !selection_.isEmpty() || !selectedAnnotations_.empty();
    selection_ = QRect();
    selectedAnnotations_.clear();
    viewport()->update();
    if (had && announce) emit selectionCleared();
}

void ImageEdit::commitPaste() {
    if (!pastePending()) return;
    const FloatingPaste placed = std::exchange(paste_, FloatingPaste{});
    if (model_ && page_ >= 1 && page_ <= model_->pageCount())
        apply(edits::pasteImage(index(), placed.image, placed.pos));
    emit selectionCleared();
}

// Drops a pasted picture that has not been placed; true when there was one.
bool ImageEdit::discardPaste() {
    if (!pastePending()) return false;
    paste_ = {};
    viewport()->update();
    emit selectionCleared();
    return true;
}

QRect ImageEdit::selectedPageRect() const {
    return toPageRect(selection_) & QRect(QPoint(0, 0), pageSize());
}

// ---- clipboard ----

void ImageEdit::copyToClipboard() {
    auto* mime = new QMimeData;
    if (pastePending()) {
        mime->setImageData(paste_.image);
    } else if (!selection_.isEmpty() && !selectedPageRect().isEmpty()) {
        mime->setImageData(model_->pageImage(index()).copy(selectedPageRect()));
    } else if (!selectedAnnotations_.empty()) {
        // The annotations themselves, and a picture of them for other programs.
        const AnnotationList& all = pageAnnotations();
        const QRect bounds = boundsOf(all, selectedAnnotations_);
        AnnotationList chosen;
        for (int i : selectedAnnotations_) {
            Annotation a = all[std::size_t(i)];
            a.bounds.translate(-bounds.topLeft());
            a.points.translate(-bounds.topLeft());
            chosen.push_back(std::move(a));
        }
        QImage picture(bounds.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        picture.fill(Qt::white);
        {
            QPainter painter(&picture);
            paintAnnotations(painter, chosen, QTransform(), pageDpi());
        }
        mime->setImageData(picture);
        mime->setData(kAnnotationMime, serializeAnnotations(chosen));
    } else {
        delete mime;
        throw Error(kErrBadArgument, tr("Nothing is selected."));
    }
    clipboard().setMimeData(mime);
}

void ImageEdit::clipboardCopy() {
    guarded([&] {
        requirePage();
        copyToClipboard();
    });
}

void ImageEdit::clipboardCut() {
    guarded([&] {
        requirePage();
        copyToClipboard();
        if (discardPaste()) return;
        if (!selection_.isEmpty()) {
            apply(edits::clearRect(index(), selectedPageRect()));
        } else {
            apply(edits::removeAnnotations(index(), selectedAnnotations_));
            clearSelections(true);
        }
    });
}

void ImageEdit::clipboardPaste() {
    guarded([&] {
        requirePage();
        const QMimeData* mime = clipboard().mimeData();
        if (!mime || (!mime->hasImage() && !mime->hasFormat(kAnnotationMime)))
            throw Error(kErrClipboard, tr("The clipboard holds no image."));
        commitPaste();
        // The pasted item appears at the top-left corner of the view.
        const QPointF corner = QPointF(visibleDisplayRect().topLeft()) / scale();
        const QPoint at(int(std::ceil(corner.x())), int(std::ceil(corner.y())));
        if (mime->hasFormat(kAnnotationMime)) {
            AnnotationList pasted = parseAnnotations(mime->data(kAnnotationMime));
            for (Annotation& a : pasted) {
                a.bounds.translate(at);
                a.points.translate(at);
            }
            const int first = int(pageAnnotations().size());
            apply(edits::addAnnotations(index(), pasted));
            std::vector<int> added;
            for (int i = 0; i < int(pasted.size()); ++i)
                added.push_back(first + i);
            selectAnnotations(added);
            emit annotationDrawn();
            return;
        }
        const QImage picture = qvariant_cast<QImage>(mime->imageData());
        if (picture.isNull())
            throw Error(kErrClipboard, tr("The picture on the clipboard cannot be read."));
        paste_ = {picture, at};
        viewport()->update();
    });
}

bool ImageEdit::isClipboardDataAvailable() const {
    const QMimeData* mime = clipboard().mimeData();
    return mime && (mime->hasImage() || mime->hasFormat(kAnnotationMime));
}

void ImageEdit::deleteImageData() {
    guarded([&] {
        if (discardPaste()) return;
        requirePage();
        if (selection_.isEmpty() || selectedPageRect().isEmpty())
            throw Error(kErrBadArgument, tr("No part of the image is selected."));
        apply(edits::clearRect(index(), selectedPageRect()));
        clearSelections(true);
    });
}

void ImageEdit::deleteSelectedAnnotations() {
    guarded([&] {
        if (discardPaste() || selectedAnnotations_.empty()) return;
        requirePage();
        apply(edits::removeAnnotations(index(), selectedAnnotations_));
        clearSelections(true);
    });
}

// ---- image operations ----

namespace {

// What a page edit does to page `index` of `model`, on any thread; raises Error to refuse
// (the page then stays as it was). Answers the skew a deskew found (0 for the others).
double applyPageEdit(DocumentModel& model, int index, PageEdit edit) {
    switch (edit) {
    case PageEdit::RotateLeft:
        model.apply(edits::rotate(index, -1));
        break;
    case PageEdit::RotateRight:
        model.apply(edits::rotate(index, 1));
        break;
    case PageEdit::Flip:
        model.apply(edits::flip(index));
        break;
    case PageEdit::Smooth:
        model.apply(edits::smooth(index));
        break;
    case PageEdit::Invert:
        model.apply(edits::invert(index));
        break;
    case PageEdit::Deskew:
    case PageEdit::AutoDeskew: {
        const double skew = ops::estimateSkew(model.pageImage(index));
        const double least = edit == PageEdit::AutoDeskew ? ImageEdit::kAutoDeskewThreshold : 0.0;
        // A page straight enough is not touched.
        if (skew != 0 && std::abs(skew) > least) model.apply(edits::straighten(index, -skew));
        return skew;
    }
    }
    return 0;
}

bool isDeskew(PageEdit edit) {
    return edit == PageEdit::Deskew || edit == PageEdit::AutoDeskew;
}

} // namespace

void ImageEdit::editPageNow(PageEdit edit) {
    guarded([&] {
        requirePage();
        commitPaste();
        clearSelections(true);
        noteTurn(edit);
        const double skew = applyPageEdit(*model_, index(), edit);
        if (isDeskew(edit)) lastSkew_ = skew;
        viewport()->update();
    });
}

void ImageEdit::rotateLeft() {
    editPageNow(PageEdit::RotateLeft);
}

void ImageEdit::rotateRight() {
    editPageNow(PageEdit::RotateRight);
}

void ImageEdit::flip() {
    editPageNow(PageEdit::Flip);
}

void ImageEdit::smooth() {
    editPageNow(PageEdit::Smooth);
}

void ImageEdit::invert() {
    editPageNow(PageEdit::Invert);
}

void ImageEdit::deskew() {
    editPageNow(PageEdit::Deskew);
}

void ImageEdit::autoDeskew() {
    editPageNow(PageEdit::AutoDeskew);
}

void ImageEdit::noteTurn(PageEdit edit) {
    const bool turn =
        edit == PageEdit::RotateLeft || edit == PageEdit::RotateRight || edit == PageEdit::Flip;
    const std::optional<QPointF> centre = displayed_ ? centreShown() : std::nullopt;
    if (!turn || !centre) {
        pendingTurn_.reset();
        return;
    }
    pendingTurn_ = PendingTurn{index(), edit, *centre, QSizeF(pageSize())};
}

jobs::Job* ImageEdit::makePageEditJob(PageEdit edit, QObject* parent) {
    guarded([&] {
        requirePage();
        commitPaste();
        clearSelections(true);
        noteTurn(edit);
    });
    const DocumentModelPtr model = model_;
    const int page = index();
    auto skew = std::make_shared<double>(0);
    auto* job = new jobs::Job(
        isDeskew(edit) ? tr("Straightening the page") : tr("Changing the page"),
        [model, page, edit, skew](jobs::Progress&) { *skew = applyPageEdit(*model, page, edit); },
        parent);
    if (isDeskew(edit)) {
        connect(job, &jobs::Job::finished, this, [this, skew](const jobs::Result& r) {
            if (r.ok()) lastSkew_ = *skew;
        });
    }
    return job;
}

void ImageEdit::showPageProperties(bool readOnly) {
    guarded([&] {
        requirePage();
        PagePropertiesDialog dialog(model_->pageInfo(index()), page_, pageCount(), readOnly, this);
        if (!dialogs().run(dialog) || readOnly || !dialog.resolutionChanged()) return;
        apply(edits::setResolution(index(), dialog.xDpi(), dialog.yDpi()));
    });
}

// ---- files ----

void ImageEdit::save() {
    guarded([&] {
        requireDocument();
        commitPaste();
        model_->save();
    });
}

void ImageEdit::saveAs(const QString& path, int fileType) {
    guarded([&] {
        requireDocument();
        if (fileType == kFileAwd)
            throw Error(kErrUnsupported,
                        tr("AWD files are not supported: save the document as TIFF or BMP."));
        if (fileType != kFileTiff && fileType != kFileBmp)
            throw Error(kErrBadArgument, tr("Unknown file type %1.").arg(fileType));
        if (path.isEmpty()) throw Error(kErrBadArgument, tr("No file name was given."));
        commitPaste();
        model_->saveAs(path, fileType, index());
        if (fileType == kFileTiff) path_ = path; // the document now lives under the new name
    });
}

void ImageEdit::printImage(int firstPage, int lastPage, int option, bool printAnnotations) {
    guarded([&] {
        requireDocument();
        // Printing shows the document as stored in its file; the owner offers to save first.
        const DocumentPtr stored = Document::open(model_->path(), env_->paths);
        printPages(*env_->printer, *stored, firstPage, lastPage, option, printAnnotations);
    });
}

} // namespace imaging
