#pragma once
// The page display: shows one page of a document, zooms and scrolls it, edits it, and draws
// and selects annotations. The numbers at this interface (fit modes, scaling, scroll
// directions, pointer modes, tools, annotation kinds, file types) are the program's.
//
// Coordinates called "display coordinates" are pixels of the page as shown at the current
// zoom, with the origin at the page's top-left corner (independent of scrolling). Mouse
// events report pixels of the widget's viewport.
//
// Every operation sets statusCode(): 0 when it succeeded; a failure also raises
// imaging::Error with the number and a description. Event handlers never throw.
#include "imaging/controls/AnnotationTools.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/Environment.h"
#include "imaging/controls/StampDialog.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace jobs {
class Job;
}

namespace imaging {

class AnnotationToolbox;
class EditDialogs;
class PageRenderer;
struct RenderRequest;

// The page edits that decode, change and keep a whole page.
enum class PageEdit { RotateLeft, RotateRight, Flip, Smooth, Invert, Deskew, AutoDeskew };

// Fit modes of fitTo().
enum FitMode : int { kFitBest = 0, kFitHeight = 1, kFitWidth = 2, kFitActual = 3 };
// Display scaling of setDisplayScaleAlgorithm().
enum ScaleAlgorithm : int { kScaleNormal = 0, kScaleGray = 2 };
// Directions of scrollImage().
enum ScrollDirection : int { kScrollUp = 0, kScrollDown = 1, kScrollLeft = 2, kScrollRight = 3 };
// Pointer modes (the cursor shown); 0-15 are the usual system cursors.
enum PointerMode : int {
    kPointerDefault = 0,
    kPointerStamp = 19,
    kPointerDrag = 23,
    kPointerSelect = 24
};
// Annotation kinds of setAnnotationType() / draw().
enum DrawKind : int {
    kDrawStraightLine = 1, // from (left, top) to (left + width, top + height)
    kDrawFreehandLine = 2, // the same two points as a polyline
    kDrawHollowRectangle = 3,
    kDrawFilledRectangle = 4, // filled with the fill colour
    kDrawHighlighter = 5,
    kDrawAttachANote = 6, // the text on a note of the fill colour
    kDrawHyperlink = 7,   // the text is the link address
    kDrawTypedText = 8,   // a width of 0 sizes the box to the text
    kDrawTextStamp = 9,   // the text with %date%, %time%, %user% filled in
};
// Annotation styles of setAnnotationStyle().
enum DrawStyle : int { kStyleOpaque = 1, kStyleTransparent = 2 };
// Save-as file types (FileTypeCode): 1 TIFF, 3 BMP; 2 (AWD) is refused.

class ImageEdit : public QAbstractScrollArea, private ToolHost {
    Q_OBJECT
public:
    // Zoom limits in percent.
    static constexpr double kMinZoom = 1.0;
    static constexpr double kMaxZoom = 6400.0;

    // With the real environment.
    explicit ImageEdit(QWidget* parent = nullptr);
    // Documents are reached through the paths of `env`; its dialogs ask, its printer prints
    // and its clock dates the stamps.
    explicit ImageEdit(EnvironmentPtr env, QWidget* parent = nullptr);
    ~ImageEdit() override;

    // Dialogs and prompts of this display only (null: the environment's).
    void setDialogs(std::shared_ptr<EditDialogs> dialogs);

    // ---- document ----
    // Opens the document at `path` (shared with every other control showing it); "" empties.
    // Raises closing() first when a document is let go.
    void setImage(const QString& path);
    QString image() const { return path_; }
    DocumentModelPtr model() const { return model_; }
    // The current page, 1-based. An out-of-range page is refused and the page kept.
    void setPage(int page);
    int page() const { return page_; }
    int pageCount() const;
    // Shows the current page.
    void display();
    void refresh();
    void clearDisplay();
    int statusCode() const { return status_; }
    QString statusDescription() const { return statusText_; }
    bool imageModified() const;
    bool imageDisplayed() const { return displayed_; }

    // ---- view ----
    void setZoom(double percent);
    double zoom() const { return zoom_; }
    void fitTo(int mode, bool repaint = true);
    // The fit mode in effect (kept while the widget changes size), -1 after a zoom by percent.
    int fitMode() const { return lastFit_; }
    void setDisplayScaleAlgorithm(int algorithm);
    int displayScaleAlgorithm() const { return scaleAlgorithm_; }
    void scrollImage(int direction, int pixels);
    int imageScaleWidth() const;
    int imageScaleHeight() const;
    void setScrollBars(bool on);
    bool scrollBars() const { return scrollBars_; }
    void setSelectionRectangle(bool on);
    bool selectionRectangle() const { return selectionMode_; }
    // Selects a rectangle in display coordinates (all 0 clears); raises selectionRectDrawn.
    void drawSelectionRect(int left, int top, int width, int height);
    QRect selectionRect() const { return selection_; }
    void setMousePointer(int pointer);
    int mousePointer() const { return pointer_; }
    // Colour rendering (0 automatic .. 3 true colour): kept for the caller; pages are always
    // drawn in full colour.
    void setColorRendering(int mode);
    int colorRendering() const { return colorRendering_; }
    // Reapply the last fit mode when the widget is resized.
    void setRefitOnResize(bool on) { refitOnResize_ = on; }
    bool refitOnResize() const { return refitOnResize_; }
    // Keep the scroll position when another page is displayed (else start at its top-left).
    void setKeepScrollOnPageChange(bool on) { keepScroll_ = on; }
    bool keepScrollOnPageChange() const { return keepScroll_; }
    // Where the page lies in the viewport.
    QRect displayedImageRect() const;
    // Whether the current page is still being rendered.
    bool renderingPending() const;
    // Nothing is being rendered, the neighbouring pages made ahead included.
    bool renderingIdle() const;

    // ---- editing ----
    void clipboardCut();
    void clipboardCopy();
    void clipboardPaste();
    bool isClipboardDataAvailable() const;
    bool pastePending() const { return !paste_.image.isNull(); }
    // Clears the selected image area to white (or drops a pasted item not yet placed).
    void deleteImageData();
    void deleteSelectedAnnotations();
    void rotateLeft();
    void rotateRight();
    void flip();
    void deskew();
    void autoDeskew();
    void smooth();
    void invert();
    // The same page edits as a job, for a window that keeps painting meanwhile: what the
    // display holds (a pasted picture not yet placed, the selections) is settled now; the
    // page is decoded, changed and kept in the document on a worker, and the display follows
    // the document's notice of the changed page. Raises Error when no page is shown. The job
    // is not started; a failure is its result (the display's statusCode() is not set).
    jobs::Job* makePageEditJob(PageEdit edit, QObject* parent = nullptr);
    void showPageProperties(bool readOnly);
    void save();
    void saveAs(const QString& path, int fileType);
    // Prints the stored document on the calling thread (a window prints through
    // makePrintJob, see Print.h).
    void printImage(int firstPage, int lastPage, int option, bool printAnnotations);
    // Angles of at most this many degrees are left alone by autoDeskew().
    static constexpr double kAutoDeskewThreshold = 0.2;
    // The skew found by the last deskew() or autoDeskew() (or their job), in degrees.
    double lastSkewAngle() const { return lastSkew_; }

    // ---- annotations ----
    void showAnnotations();
    void hideAnnotations();
    bool annotationsShown() const { return annotationsShown_; }
    int annotationCount() const;
    // Makes annotations permanent. option: 0 the visible ones, 1 all, 2 the selected ones;
    // markOption: 1 in black, 2 as shown.
    void burnInAnnotations(int option, int markOption);
    void showAnnotationToolPalette();
    void hideAnnotationToolPalette();
    bool annotationToolPaletteShown() const;
    AnnotationToolbox* toolPalette() const;
    void setAnnotationTool(int tool);
    int annotationTool() const { return tool_; }
    void showRubberStampDialog();
    void setStamps(StampList stamps);
    const StampList& stamps() const { return stamps_; }
    int currentStamp() const { return currentStamp_; }
    void setStampUserName(const QString& user) { stampUser_ = user; }
    QString stampUserName() const { return stampUser_; }
    void setAnnotationType(int kind);
    int annotationType() const { return drawKind_; }
    void setAnnotationStyle(int style);
    void setAnnotationFillColor(const QColor& color);
    void setAnnotationLineColor(const QColor& color);
    void setAnnotationFont(const QString& name, double size, bool bold);
    void setAnnotationFontName(const QString& name);
    void setAnnotationFontSize(double size);
    void setAnnotationFontBold(bool bold);
    void setAnnotationText(const QString& text);
    void addAnnotationGroup(const QString& group);
    void setAnnotationGroup(const QString& group);
    QString annotationGroup() const { return group_; }
    QStringList annotationGroups() const { return groups_; }
    // Creates an annotation of the current kind at a rectangle in display coordinates.
    void draw(int left, int top, int width = 0, int height = 0);
    const std::vector<int>& selectedAnnotationIndices() const { return selectedAnnotations_; }

signals:
    void keyDown(int keyCode, int shift);
    void mouseDown(int button, int shift, int x, int y);
    void mouseMove(int button, int shift, int x, int y);
    void mouseUp(int button, int shift, int x, int y);
    void selectionRectDrawn(int left, int top, int width, int height);
    void annotationSelected();
    void annotationDrawn();
    void selectionCleared();
    void toolSelected(int tool);
    void toolPaletteHidden();
    void closing();
    void pageDisplayed(int page);
    void renderingFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // ToolHost
    QPointF toPage(const QPoint& viewportPos) const override;
    QTransform pageToViewport() const override;
    QSize pageSize() const override;
    double pageDpi() const override;
    const AnnotationList& pageAnnotations() const override;
    const std::vector<int>& selectedAnnotations() const override { return selectedAnnotations_; }
    void selectAnnotations(std::vector<int> indices) override;
    void moveSelectedAnnotations(const QPoint& delta) override;
    void addAnnotation(const Annotation& annotation) override;
    Annotation prototype(int tool) const override;
    EditDialogs& dialogs() override;
    QWidget* dialogParent() override { return this; }
    void repaintTool() override { viewport()->update(); }

    // Runs an operation: status 0 on success; an Error sets the status and is raised again.
    void guarded(const std::function<void()>& operation);
    // The same for event handlers: the error is kept in the status, never raised.
    void quietly(const std::function<void()>& operation);
    void fail(int number, const QString& description);
    void requireDocument() const;
    void requirePage() const;
    int index() const { return page_ - 1; }
    void apply(std::unique_ptr<PageOperation> op);

    void attach(DocumentModelPtr model);
    void detach();
    void onPageChanged(int index);
    void onPagesMoved();
    double scale() const { return zoom_ / 100.0; }
    const PageInfo& currentInfo() const; // facts of the current page (cached per revision)
    QSize scaledSizeOf(const QSize& page) const;
    QSize scaledSize() const;
    QPoint origin() const; // viewport position of display (0, 0)
    QRect visibleDisplayRect() const;
    QRect toPageRect(const QRect& displayRect) const;
    void updateScrollBars();
    void zoomKeepingCentre(double percent);
    // The page point in the middle of the view (none while nothing is shown), and scrolling
    // that puts a page point there as far as the page's extent allows.
    std::optional<QPointF> centreShown() const;
    void centreOn(QPointF pagePoint);
    // Remembers the middle of the view before a turn or flip of the shown page changes it, so
    // that the page's notice keeps the same content in view on the changed page.
    void noteTurn(PageEdit edit);
    RenderRequest renderRequest(int pageIndex, const QRect& visible) const;
    // Renders on the next turn of the event loop (once, however often it is asked).
    void scheduleRendering();
    void requestRendering();
    void paintPage(QPainter& p);
    void paintOverlays(QPainter& p);
    void updateCursor();

    void clearSelections(bool announce);
    void commitPaste();
    bool discardPaste();
    QRect selectedPageRect() const;
    void copyToClipboard();
    // Settles the paste and the selections, then changes the shown page at once.
    void editPageNow(PageEdit edit);
    Annotation newAnnotation(AnnotationKind kind) const;

    EnvironmentPtr env_;
    std::shared_ptr<EditDialogs> dialogs_;
    DocumentModelPtr model_;
    std::vector<QMetaObject::Connection> modelConnections_;
    std::unique_ptr<PageRenderer> renderer_;
    bool renderScheduled_ = false;
    mutable PageInfo info_;
    mutable int infoPage_ = -1;
    mutable quint64 infoRevision_ = 0;
    mutable const DocumentModel* infoModel_ = nullptr;
    QString path_;
    int page_ = 1;
    bool displayed_ = false;
    int status_ = 0;
    QString statusText_;
    QString renderError_;

    double zoom_ = 100.0;
    int lastFit_ = -1;
    int scaleAlgorithm_ = kScaleNormal;
    bool scrollBars_ = true;
    bool selectionMode_ = false;
    QRect selection_; // display coordinates
    int pointer_ = kPointerDefault;
    int colorRendering_ = 0;
    bool refitOnResize_ = false;
    bool keepScroll_ = false;
    double lastSkew_ = 0;
    struct PendingTurn {
        int page;       // 0-based
        PageEdit edit;  // RotateLeft, RotateRight or Flip
        QPointF centre; // page point in the middle of the view before the change
        QSizeF size;    // the page's size before the change
    };
    std::optional<PendingTurn> pendingTurn_;

    // Interaction in progress.
    enum class Drag { None, Band, Paste, Tool };
    Drag drag_ = Drag::None;
    QPoint dragStart_;
    QPoint dragNow_;

    // A pasted picture floating over the page until it is placed.
    struct FloatingPaste {
        QImage image;
        QPoint pos; // page pixels
    };
    FloatingPaste paste_;
    QPoint pasteGrab_;

    // Annotations.
    bool annotationsShown_ = true;
    mutable AnnotationList annotationCache_;
    mutable quint64 annotationRevision_ = ~quint64(0);
    mutable int annotationPage_ = -1;
    std::vector<int> selectedAnnotations_;
    int tool_ = kToolNone;
    std::unique_ptr<AnnotationTool> activeTool_;
    QPointer<AnnotationToolbox> toolbox_;
    StampList stamps_;
    int currentStamp_ = -1;
    QString stampUser_;
    int drawKind_ = kDrawTypedText;
    int drawStyle_ = kStyleOpaque;
    QColor fillColor_ = Qt::yellow;
    QColor lineColor_ = Qt::red;
    QString fontName_ = QStringLiteral("Arial");
    double fontSize_ = 12;
    bool fontBold_ = false;
    QString text_;
    QString group_;
    QStringList groups_;
};

} // namespace imaging
