// The page display's annotations: showing, drawing from code and with the tools, selecting,
// making permanent, the toolbox and the rubber stamps.
#include "imaging/controls/AnnotationToolbox.h"
#include "imaging/documents/EditOperations.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageEditDialogs.h"
#include "imaging/pixels/ImagingError.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

// Line width of drawn marks: about half a millimetre on paper.
int lineWidthFor(double dpi) {
    return std::max(1, int(std::lround(dpi / 50.0)));
}

AnnotationKind kindOf(int drawKind) {
    switch (drawKind) {
    case kDrawStraightLine:
        return AnnotationKind::StraightLine;
    case kDrawFreehandLine:
        return AnnotationKind::FreehandLine;
    case kDrawHollowRectangle:
        return AnnotationKind::HollowRectangle;
    case kDrawFilledRectangle:
        return AnnotationKind::FilledRectangle;
    case kDrawHighlighter:
        return AnnotationKind::Highlighter;
    case kDrawAttachANote:
        return AnnotationKind::AttachANote;
    case kDrawHyperlink:
        return AnnotationKind::Hyperlink;
    case kDrawTextStamp:
        return AnnotationKind::TextStamp;
    default:
        return AnnotationKind::TypedText;
    }
}

bool isTextKind(AnnotationKind k) {
    return k == AnnotationKind::TypedText || k == AnnotationKind::AttachANote ||
           k == AnnotationKind::TextFromFile || k == AnnotationKind::Hyperlink ||
           k == AnnotationKind::TextStamp;
}

const QColor kNoteColour(255, 245, 150);
const QColor kHyperlinkColour(0, 0, 200);
const QColor kStampColour(200, 0, 0);

} // namespace

// ---- the page's annotations ----

const AnnotationList& ImageEdit::pageAnnotations() const {
    static const AnnotationList none;
    if (!model_ || page_ < 1 || page_ > model_->pageCount()) return none;
    const quint64 revision = model_->pageRevision(index());
    if (annotationPage_ != index() || annotationRevision_ != revision) {
        annotationCache_ = model_->annotations(index());
        annotationPage_ = index();
        annotationRevision_ = revision;
    }
    return annotationCache_;
}

int ImageEdit::annotationCount() const {
    return int(pageAnnotations().size());
}

void ImageEdit::showAnnotations() {
    annotationsShown_ = true;
    viewport()->update();
}

void ImageEdit::hideAnnotations() {
    annotationsShown_ = false;
    if (!selectedAnnotations_.empty()) {
        selectedAnnotations_.clear();
        emit selectionCleared();
    }
    viewport()->update();
}

void ImageEdit::selectAnnotations(std::vector<int> indices) {
    const int count = int(pageAnnotations().size());
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    indices.erase(std::remove_if(indices.begin(), indices.end(),
                                 [count](int i) { return i < 0 || i >= count; }),
                  indices.end());
    if (indices == selectedAnnotations_) return;
    selectedAnnotations_ = std::move(indices);
    viewport()->update();
    if (selectedAnnotations_.empty())
        emit selectionCleared();
    else
        emit annotationSelected();
}

void ImageEdit::moveSelectedAnnotations(const QPoint& delta) {
    apply(edits::moveAnnotations(index(), selectedAnnotations_, delta));
}

void ImageEdit::addAnnotation(const Annotation& annotation) {
    apply(edits::addAnnotations(index(), {annotation}));
    emit annotationDrawn();
}

void ImageEdit::burnInAnnotations(int option, int markOption) {
    guarded([&] {
        if (option < 0 || option > 2 || markOption < 1 || markOption > 2)
            throw Error(kErrBadArgument, tr("Unknown options %1, %2 for making annotations "
                                            "permanent.")
                                             .arg(option)
                                             .arg(markOption));
        requirePage();
        commitPaste();
        const auto scope = edits::BurnScope(option);
        if (pageAnnotations().empty() ||
            (scope == edits::BurnScope::Visible && !annotationsShown_) ||
            (scope == edits::BurnScope::Selected && selectedAnnotations_.empty()))
            return;
        const std::vector<int> selected = selectedAnnotations_;
        clearSelections(true);
        apply(edits::burnIn(index(), scope, edits::BurnLook(markOption), selected));
    });
}

// ---- tools ----

void ImageEdit::setAnnotationTool(int tool) {
    guarded([&] {
        if (tool < kToolNone || tool > kLastTool)
            throw Error(kErrBadArgument, tr("Unknown annotation tool %1.").arg(tool));
        if (tool == kToolRubberStamp && stamps_.empty())
            throw Error(kErrBadArgument, tr("No rubber stamp has been defined."));
        if (tool == kToolRubberStamp && (currentStamp_ < 0 || currentStamp_ >= int(stamps_.size())))
            currentStamp_ = 0;
        commitPaste();
        if (tool != kToolSelect && !selectedAnnotations_.empty()) {
            selectedAnnotations_.clear();
            emit selectionCleared();
        }
        tool_ = tool;
        drag_ = Drag::None;
        activeTool_ = makeAnnotationTool(tool, *this);
        if (toolbox_) toolbox_->setCurrentTool(tool);
        updateCursor();
        viewport()->update();
        emit toolSelected(tool);
    });
}

void ImageEdit::showAnnotationToolPalette() {
    if (!toolbox_) {
        toolbox_ = new AnnotationToolbox(this);
        connect(toolbox_, &AnnotationToolbox::toolChosen, this,
                [this](int tool) { quietly([&] { setAnnotationTool(tool); }); });
        connect(toolbox_, &AnnotationToolbox::stampDialogRequested, this,
                [this] { quietly([&] { showRubberStampDialog(); }); });
        connect(toolbox_, &AnnotationToolbox::closedByUser, this,
                [this] { emit toolPaletteHidden(); });
        toolbox_->adjustSize();
        // Beside the page display's top-right corner.
        toolbox_->move(mapToGlobal(QPoint(std::max(0, width() - toolbox_->width() - 24), 24)));
    }
    toolbox_->setCurrentTool(tool_);
    toolbox_->show();
    toolbox_->raise();
}

void ImageEdit::hideAnnotationToolPalette() {
    if (toolbox_) toolbox_->hide();
}

AnnotationToolbox* ImageEdit::toolPalette() const {
    return toolbox_;
}

bool ImageEdit::annotationToolPaletteShown() const {
    return toolbox_ && toolbox_->isVisible();
}

// ---- rubber stamps ----

void ImageEdit::setStamps(StampList stamps) {
    stamps_ = std::move(stamps);
    if (currentStamp_ >= int(stamps_.size())) currentStamp_ = stamps_.empty() ? -1 : 0;
}

void ImageEdit::showRubberStampDialog() {
    guarded([&] {
        StampDialog dialog(stamps_, currentStamp_, stampUser_, env_->now(), dialogs(), this);
        if (!dialogs().run(dialog) || dialog.chosen() < 0)
            return; // cancelled: everything stays as it was
        stamps_ = dialog.stamps();
        currentStamp_ = dialog.chosen();
        setAnnotationTool(kToolRubberStamp);
        setMousePointer(kPointerStamp);
    });
}

// ---- attributes of annotations drawn from code ----

void ImageEdit::setAnnotationType(int kind) {
    guarded([&] {
        if (kind < kDrawStraightLine || kind > kDrawTextStamp)
            throw Error(kErrBadArgument, tr("Unknown annotation kind %1.").arg(kind));
        drawKind_ = kind;
    });
}

void ImageEdit::setAnnotationStyle(int style) {
    guarded([&] {
        if (style != kStyleOpaque && style != kStyleTransparent)
            throw Error(kErrBadArgument, tr("Unknown annotation style %1.").arg(style));
        drawStyle_ = style;
    });
}

void ImageEdit::setAnnotationFillColor(const QColor& color) {
    guarded([&] {
        if (!color.isValid()) throw Error(kErrBadArgument, tr("The fill colour is not valid."));
        fillColor_ = color;
    });
}

void ImageEdit::setAnnotationLineColor(const QColor& color) {
    guarded([&] {
        if (!color.isValid()) throw Error(kErrBadArgument, tr("The line colour is not valid."));
        lineColor_ = color;
    });
}

void ImageEdit::setAnnotationFont(const QString& name, double size, bool bold) {
    guarded([&] {
        setAnnotationFontName(name);
        setAnnotationFontSize(size);
        setAnnotationFontBold(bold);
    });
}

void ImageEdit::setAnnotationFontName(const QString& name) {
    guarded([&] {
        if (name.trimmed().isEmpty()) throw Error(kErrBadArgument, tr("A font needs a name."));
        fontName_ = name;
    });
}

void ImageEdit::setAnnotationFontSize(double size) {
    guarded([&] {
        if (!(size > 0 && size <= 1000))
            throw Error(kErrBadArgument, tr("A font size must be between 0 and 1000 points."));
        fontSize_ = size;
    });
}

void ImageEdit::setAnnotationFontBold(bool bold) {
    fontBold_ = bold;
}

void ImageEdit::setAnnotationText(const QString& text) {
    text_ = text;
}

void ImageEdit::addAnnotationGroup(const QString& group) {
    guarded([&] {
        if (group.isEmpty()) throw Error(kErrBadArgument, tr("An annotation group needs a name."));
        if (!groups_.contains(group)) groups_ << group;
    });
}

void ImageEdit::setAnnotationGroup(const QString& group) {
    guarded([&] {
        if (!group.isEmpty() && !groups_.contains(group)) groups_ << group;
        group_ = group;
    });
}

// ---- making annotations ----

Annotation ImageEdit::newAnnotation(AnnotationKind kind) const {
    Annotation a;
    a.kind = kind;
    a.group = group_;
    a.lineWidth = lineWidthFor(pageDpi());
    a.fontName = fontName_;
    a.fontSize = fontSize_;
    a.fontBold = fontBold_;
    return a;
}

Annotation ImageEdit::prototype(int tool) const {
    switch (tool) {
    case kToolFreehand:
        return newAnnotation(AnnotationKind::FreehandLine);
    case kToolStraightLine:
        return newAnnotation(AnnotationKind::StraightLine);
    case kToolHollowRectangle:
        return newAnnotation(AnnotationKind::HollowRectangle);
    case kToolHighlighter: {
        Annotation a = newAnnotation(AnnotationKind::Highlighter);
        a.fillColor = Qt::yellow;
        a.style = 1; // see-through
        return a;
    }
    case kToolFilledRectangle: {
        Annotation a = newAnnotation(AnnotationKind::FilledRectangle);
        a.fillColor = fillColor_;
        a.style = drawStyle_ == kStyleTransparent ? 1 : 0;
        return a;
    }
    case kToolAttachANote: {
        Annotation a = newAnnotation(AnnotationKind::AttachANote);
        a.fillColor = kNoteColour;
        a.lineColor = Qt::black;
        return a;
    }
    case kToolTextFromFile:
    case kToolTypedText: {
        Annotation a = newAnnotation(tool == kToolTypedText ? AnnotationKind::TypedText
                                                            : AnnotationKind::TextFromFile);
        a.lineColor = Qt::black;
        return a;
    }
    case kToolHyperlink: {
        Annotation a = newAnnotation(AnnotationKind::Hyperlink);
        a.lineColor = kHyperlinkColour;
        return a;
    }
    case kToolRubberStamp: {
        if (currentStamp_ < 0 || currentStamp_ >= int(stamps_.size()))
            return newAnnotation(AnnotationKind::TextStamp);
        const StampTemplate& stamp = stamps_[std::size_t(currentStamp_)];
        if (stamp.isImage()) {
            Annotation a = newAnnotation(AnnotationKind::ImageStamp);
            a.image = stamp.image;
            // The picture keeps its physical size when it states a resolution.
            const double imageDpi = stamp.image.dotsPerMeterX() * 0.0254;
            const double f = imageDpi > 1 ? pageDpi() / imageDpi : 1.0;
            a.bounds = QRect(0, 0, std::max(1, int(std::lround(stamp.image.width() * f))),
                             std::max(1, int(std::lround(stamp.image.height() * f))));
            return a;
        }
        Annotation a = newAnnotation(AnnotationKind::TextStamp);
        a.lineColor = kStampColour;
        a.fontName = QStringLiteral("Arial");
        a.fontSize = 18;
        a.fontBold = true;
        a.text = expandStampText(stamp.text, env_->now(), stampUser_);
        a.bounds = textBounds(a, QPoint(0, 0), pageDpi());
        return a;
    }
    default:
        return newAnnotation(AnnotationKind::FreehandLine);
    }
}

void ImageEdit::draw(int left, int top, int width, int height) {
    guarded([&] {
        requirePage();
        if (width < 0 || height < 0)
            throw Error(kErrBadArgument, tr("An annotation cannot have a negative size."));
        const AnnotationKind kind = kindOf(drawKind_);
        Annotation a = newAnnotation(kind);
        a.lineColor = lineColor_;
        a.fillColor = fillColor_;
        a.style = drawStyle_ == kStyleTransparent ? 1 : 0;
        const QRect area = toPageRect(QRect(left, top, width, height));
        if (kind == AnnotationKind::StraightLine || kind == AnnotationKind::FreehandLine) {
            const QPoint end(int(std::lround((left + width) / scale())),
                             int(std::lround((top + height) / scale())));
            a.points = QPolygon({area.topLeft(), end});
            a.bounds = a.points.boundingRect();
        } else if (isTextKind(kind)) {
            if (text_.isEmpty())
                throw Error(kErrBadArgument, tr("A text annotation needs a text."));
            a.text = kind == AnnotationKind::TextStamp
                         ? expandStampText(text_, env_->now(), stampUser_)
                         : text_;
            if (kind == AnnotationKind::AttachANote && fillColor_ == Qt::yellow)
                a.fillColor = kNoteColour;
            a.bounds =
                (width == 0 || height == 0) ? textBounds(a, area.topLeft(), pageDpi()) : area;
        } else {
            if (width == 0 || height == 0)
                throw Error(kErrBadArgument, tr("A rectangle needs a width and a height."));
            a.bounds = area;
        }
        addAnnotation(a);
    });
}

} // namespace imaging
