// Print and Print Page through the main window, printing into the fixture's PDF printer; the
// printed pages are rendered with pdftoppm and read back by their marker blocks.
#include "ViewerFixture.h"
#include "imaging/pixels/ImagingError.h"
#include "viewer/FileCommands.h"
#include "viewer/JobHost.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QDeadlineTimer>
#include <QPrinter>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <chrono>
#include <semaphore>

using namespace viewertest;

namespace {

// Test pages: 800 x 600 pixels at 200 dpi (4 x 3 inches), a 16-pixel black frame around the
// edge, and the label as 48-pixel blocks along the top (bit i at x = 32 + 64 i, y = 32).
constexpr int kW = 800, kH = 600, kDpi = 200;

QImage framedPage(int label) {
    QImage page(kW, kH, QImage::Format_Mono);
    page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    page.fill(0);
    auto fill = [&](int x0, int y0, int w, int h) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                page.setPixel(x, y, 1);
    };
    fill(0, 0, kW, 16);
    fill(0, kH - 16, kW, 16);
    fill(0, 0, 16, kH);
    fill(kW - 16, 0, 16, kH);
    for (int bit = 0; bit < 8; ++bit)
        if (label & (1 << bit)) fill(32 + 64 * bit, 32, 48, 48);
    return page;
}

// One printed sheet as rendered: where the page landed and the label its blocks show.
struct PrintedPage {
    QSize sheet;
    QRect page; // bounding box of the dark pixels
    int label = -1;
    bool upright() const { return page.width() > page.height(); }
};

PrintedPage readSheet(const QImage& sheet) {
    PrintedPage r;
    r.sheet = sheet.size();
    auto dark = [&](int x, int y) { return qGray(sheet.pixel(x, y)) < 128; };
    int left = sheet.width(), top = sheet.height(), right = -1, bottom = -1;
    for (int y = 0; y < sheet.height(); ++y)
        for (int x = 0; x < sheet.width(); ++x)
            if (dark(x, y)) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    if (right < 0) return r;
    r.page = QRect(QPoint(left, top), QPoint(right, bottom));
    if (!r.upright()) return r;
    const double sx = double(r.page.width()) / kW, sy = double(r.page.height()) / kH;
    r.label = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (dark(left + int((56 + 64 * bit) * sx), top + int(56 * sy))) r.label |= 1 << bit;
    return r;
}

// Fails every job with a status of its own and no description.
class FailingPrinter : public imaging::PrinterProvider {
public:
    std::unique_ptr<QPrinter> printer() override { throw imaging::Error(1234, QString()); }
};

// Hands out the fixture's PDF printer only when the test releases it: the print job waits
// on its worker thread meanwhile, as it would for a slow printer.
class BlockingPrinter : public imaging::PrinterProvider {
public:
    explicit BlockingPrinter(QString file) : pdf_(std::move(file)) {}
    std::unique_ptr<QPrinter> printer() override {
        asked.release();
        release.acquire();
        return pdf_.printer();
    }
    std::binary_semaphore asked{0};
    std::binary_semaphore release{0};

private:
    imaging::PdfPrinterProvider pdf_;
};

class PrintTest : public ViewerFixture {
protected:
    void start() {
        load();
        t.prompter.shown.clear();
    }
    // Runs a print command to its end.
    void trigger(QAction* a) {
        a->trigger();
        settle();
    }
    QString framedDocument(const QString& name, int pages) {
        std::vector<imaging::PageSource> sources;
        for (int i = 1; i <= pages; ++i)
            sources.push_back(imaging::PageSource::pixels(framedPage(i), kDpi, kDpi, {}));
        const QString path = t.dir.file(name);
        imaging::writeDocument(path, sources);
        return path;
    }
    QString pdf() const { return t.dir.file("printed.pdf"); }
    // The sheets of the PDF, rendered at 50 dpi.
    std::vector<PrintedPage> printed() {
        std::vector<PrintedPage> sheets;
        if (!QFile::exists(pdf())) return sheets;
        const QString out = t.dir.file("render");
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        QProcess p;
        p.start("pdftoppm", {"-r", "50", "-png", pdf(), out + "/sheet"});
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        for (const QString& f : QDir(out).entryList({"sheet-*.png"}, QDir::Files, QDir::Name))
            sheets.push_back(readSheet(QImage(out + "/" + f)));
        return sheets;
    }
    std::vector<int> printedLabels() {
        std::vector<int> labels;
        for (const PrintedPage& s : printed())
            labels.push_back(s.label);
        return labels;
    }
};

} // namespace

class Print : public PrintTest {};

TEST_F(Print, WithoutChangesTheDialogComesAtOnceAndTheChosenPagesArePrinted) {
    start();
    open(framedDocument("three.tif", 3));
    printDialogs->answer({2, 3, imaging::kPrintActualSize, true});
    trigger(ui().mnuFilePrint);
    EXPECT_TRUE(t.prompter.shown.empty());
    ASSERT_EQ(printDialogs->requests().size(), 1u);
    EXPECT_EQ(printDialogs->requests()[0].owner, w.get());
    EXPECT_EQ(printDialogs->requests()[0].pageCount, 3);
    const std::vector<PrintedPage> sheets = printed();
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].label, 2);
    EXPECT_EQ(sheets[1].label, 3);
    // A 4 x 3 inch page at its true size (200 x 150 at 50 dpi), in the middle of the sheet.
    const PrintedPage& s = sheets[0];
    EXPECT_NEAR(s.page.width(), 200, 3);
    EXPECT_NEAR(s.page.height(), 150, 3);
    EXPECT_NEAR(s.page.center().x(), s.sheet.width() / 2, 3);
    EXPECT_NEAR(s.page.center().y(), s.sheet.height() / 2, 3);
    EXPECT_FALSE(w->jobs().anyRunning());
    EXPECT_TRUE(w->jobs().progressBar()->isHidden());
}

TEST_F(Print, NoPrintsTheStoredPagesWithoutTheUnsavedChange) {
    start();
    const QString path = framedDocument("changed.tif", 2);
    open(path);
    edit().rotateLeft();
    t.prompter.answers.push_back(app::mb::No);
    printDialogs->answer({1, 2, imaging::kPrintActualSize, true});
    trigger(ui().mnuFilePrint);
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.lastText(), "The image must be saved first if changes are to be printed.  "
                                     "Do you want to save the image?");
    EXPECT_EQ(t.prompter.shown.back().buttons, app::mb::YesNo);
    EXPECT_EQ(t.prompter.shown.back().icon, app::mb::NoIcon);
    const std::vector<PrintedPage> sheets = printed();
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_TRUE(sheets[0].upright()); // not the rotated page on screen
    EXPECT_EQ(sheets[0].label, 1);
    EXPECT_EQ(sheets[1].label, 2);
    EXPECT_TRUE(edit().imageModified()); // the change is still there, unsaved
}

TEST_F(Print, YesSavesFirstAndPrintsTheChange) {
    start();
    const QString path = framedDocument("saved.tif", 2);
    open(path);
    edit().rotateLeft();
    t.prompter.answers.push_back(app::mb::Yes);
    printDialogs->answer({1, 1, imaging::kPrintActualSize, true});
    trigger(ui().mnuFilePrint);
    EXPECT_FALSE(edit().imageModified());
    const std::vector<PrintedPage> sheets = printed();
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_FALSE(sheets[0].upright()); // the page as saved, turned on its side
    EXPECT_NEAR(sheets[0].page.width(), 150, 3);
    EXPECT_NEAR(sheets[0].page.height(), 200, 3);
}

TEST_F(Print, CancellingTheDialogPrintsNothingAndSaysNothing) {
    start();
    open(framedDocument("cancel.tif", 2));
    printDialogs->cancel();
    trigger(ui().mnuFilePrint);
    EXPECT_FALSE(QFile::exists(pdf()));
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(Print, StatusCodesAreShownInUpperCaseHexadecimal) {
    printer = std::make_shared<FailingPrinter>();
    start();
    open(framedDocument("fail.tif", 2));
    printDialogs->answer({1, 2, imaging::kPrintActualSize, true});
    trigger(ui().mnuFilePrint);
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    // No description: the message begins with the blank.
    EXPECT_EQ(t.prompter.lastText(), " (ImgEdit error 4D2)");
    EXPECT_EQ(t.prompter.shown.back().icon, app::mb::Critical);

    trigger(ui().mnuPagePrintPage);
    EXPECT_EQ(t.prompter.texts(),
              (std::vector<QString>{" (ImgEdit error 4D2)", " (ImgEdit error 4D2)"}));
}

TEST_F(Print, APageRangeTheFileDoesNotHaveIsTheAdministrationsError) {
    start();
    open(framedDocument("range.tif", 3));
    printDialogs->answer({4, 9, imaging::kPrintActualSize, true});
    trigger(ui().mnuFilePrint);
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.lastText(),
              "Pages 4 to 9 cannot be printed: the file has pages 1 to 3. (ImgAdmin error 3EE)");
    EXPECT_EQ(t.prompter.shown.back().icon, app::mb::Critical);
    EXPECT_FALSE(QFile::exists(pdf()));
}

TEST_F(Print, WhileASlowPrinterWaitsTheWindowWorksAndRefusesCommandsOnTheDocument) {
    auto blocking = std::make_shared<BlockingPrinter>(pdf());
    printer = blocking;
    start();
    open(framedDocument("slow.tif", 3));
    printDialogs->answer({1, 3, imaging::kPrintActualSize, true});
    ASSERT_TRUE(ui().mnuEditActionItem[5]->isEnabled());
    ui().mnuFilePrint->trigger();
    ASSERT_TRUE(blocking->asked.try_acquire_for(std::chrono::seconds(10)));

    // The window keeps handling events: a timer fires and the page display is painted.
    int ticks = 0, paints = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    struct PaintCounter : QObject {
        int& n;
        explicit PaintCounter(int& count) : n(count) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++n;
            return false;
        }
    } counter(paints);
    edit().viewport()->installEventFilter(&counter);
    edit().viewport()->update();
    QDeadlineTimer deadline(10000);
    while ((ticks < 3 || paints < 1) && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_GE(ticks, 3);
    EXPECT_GE(paints, 1);

    // Progress and Cancel in the status bar; the commands on the document are disabled, the
    // view commands are not, and what is called anyway is refused.
    EXPECT_TRUE(w->jobs().label()->text().startsWith("Printing")) << w->jobs().label()->text().toStdString();
    EXPECT_FALSE(w->jobs().cancelButton()->isHidden());
    for (QAction* a : {ui().mnuEditActionItem[5], ui().mnuFileSave, ui().mnuFilePrint,
                       ui().mnuFileClose, ui().mnuPageRotatePageItem[0], ui().mnuPageDirectionItem[1],
                       ui().tbarButton(14), ui().mnuAnnoToolItem[0]})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(ui().cmdCommands[0]->isEnabled());
    EXPECT_TRUE(ui().mnuZoomFactorItem[1]->isEnabled());
    EXPECT_TRUE(ui().mnuViewModeItem[2]->isEnabled());
    EXPECT_FALSE(w->PerformFileClose());
    w->files().mnuPagePrintPage_Click();
    EXPECT_EQ(t.prompter.texts(),
              std::vector<QString>(2, "Another operation is still running on the document; try "
                                      "again when it has finished."));

    // Cancel stops after the page being printed.
    w->jobs().cancelButton()->click();
    blocking->release.release();
    settle();
    EXPECT_EQ(printedLabels(), std::vector<int>{1});
    EXPECT_EQ(t.prompter.shown.size(), 2u); // a cancel is no failure
    EXPECT_TRUE(ui().mnuEditActionItem[5]->isEnabled());
    EXPECT_TRUE(ui().cmdCommands[0]->isEnabled());
    EXPECT_TRUE(w->jobs().progressBar()->isHidden());
    edit().viewport()->removeEventFilter(&counter);
}

class PrintPage : public PrintTest {};

TEST_F(PrintPage, PrintsTheStoredCurrentPageOnlyWithoutAskingEvenWhenChanged) {
    start();
    open(framedDocument("four.tif", 4));
    edit().setPage(3);
    edit().display();
    edit().rotateLeft();
    ASSERT_TRUE(edit().imageModified());
    trigger(ui().mnuPagePrintPage);
    EXPECT_TRUE(t.prompter.shown.empty());
    EXPECT_TRUE(printDialogs->requests().empty());
    const std::vector<PrintedPage> sheets = printed();
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_TRUE(sheets[0].upright());
    EXPECT_EQ(sheets[0].label, 3);
}
