#include "doubles/RenderWait.h"
#include "ViewerFixture.h"

#include "doubles/ScannerFake.h"
#include "doubles/ScriptedDialogs.h"
#include "imaging/documents/Document.h"

#include "viewer/JobHost.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QTimer>

namespace viewertest {

namespace {
class NoProgress : public imaging::ScanProgressView {
public:
    void begin(const QString&) override {}
    void pageStarted(int) override {}
    void progress(int, qint64, qint64, int, int) override {}
    void pageFinished(int) override {}
    bool cancelRequested() const override { return false; }
    void end() override {}
};
} // namespace

std::unique_ptr<imaging::ScanProgressView> ScriptedScanUi::createProgress() {
    return std::make_unique<NoProgress>();
}

QImage labelledPage(int label, QSize size) {
    QImage page(size, QImage::Format_Mono);
    page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    page.fill(0);
    auto block = [&](int x0, int y0) {
        for (int y = y0; y < y0 + 8; ++y)
            for (int x = x0; x < x0 + 8; ++x) page.setPixel(x, y, 1);
    };
    for (int bit = 0; bit < 8; ++bit)
        if (label & (1 << bit)) block(8 * bit, 0);
    block(size.width() - 8, size.height() - 8);
    return page;
}

int pageLabel(const QImage& page) {
    auto black = [&](int x, int y) { return qGray(page.pixel(x, y)) < 128; };
    if (!black(page.width() - 4, page.height() - 4)) return -1;
    int label = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (black(8 * bit + 4, 4)) label |= 1 << bit;
    return label;
}

void ViewerFixture::SetUp() {
    t.signIn();
    scanner = std::make_shared<doubles::FakeScanner>();
    scanUi = std::make_shared<ScriptedScanUi>();
    fileDialogs = std::make_shared<doubles::ScriptedFileDialogRunner>();
    printDialogs = std::make_shared<doubles::ScriptedPrintDialogRunner>();
    editDialogs = std::make_shared<ScriptedEditDialogs>();
    printer = std::make_shared<imaging::PdfPrinterProvider>(t.dir.file("printed.pdf"));
}

void ViewerFixture::TearDown() {
    w.reset();
    QApplication::processEvents();
}

viewer::MainWindow& ViewerFixture::load(bool admin) {
    t.s().gblnAdmin = admin;
    viewer::MainWindowOptions options;
    options.imaging.scanner = scanner;
    options.imaging.scanUi = scanUi;
    options.imaging.fileDialog = fileDialogs;
    options.imaging.printDialog = printDialogs;
    options.imaging.editDialogs = editDialogs;
    options.imaging.printer = printer;
    w = std::make_unique<viewer::MainWindow>(t.s(), options);
    w->resize(1100, 780);
    w->show();
    w->Form_Load();
    // A signed-in session has a storage folder: its recycle folder takes the files let go.
    if (t.s().gstrDefaultDirectory.isEmpty()) {
        t.s().gstrDefaultDirectory = t.dir.file("share");
        QDir().mkpath(t.s().gstrDefaultDirectory);
    }
    // Let the background scanner probe finish and its result reach the menus.
    w->docImgScan1->scannerAvailable();
    QApplication::processEvents();
    QApplication::processEvents();
    return *w;
}

QString ViewerFixture::makeDocument(const QString& name, int pages, QSize size) {
    std::vector<imaging::PageSource> sources;
    for (int i = 1; i <= pages; ++i)
        sources.push_back(imaging::PageSource::pixels(labelledPage(i, size), 200, 200, {}));
    const QString path = t.dir.file(name);
    imaging::writeDocument(path, sources);
    return path;
}

bool ViewerFixture::waitForJobs(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QTimer tick; // wakes the wait at least every few milliseconds
    tick.start(5);
    while (w->jobs().anyRunning() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return !w->jobs().anyRunning();
}

void ViewerFixture::settle() {
    EXPECT_TRUE(waitForJobs()) << "a job of the window did not finish";
    doubles::waitForIdle(*w->docImgEdit1, 5000);
    QApplication::processEvents();
}

void ViewerFixture::open(const QString& path) {
    w->doc().gblnNewDocument = false;
    w->PerformFileOpen(false, path, 1);
    settle();
}

std::vector<int> ViewerFixture::labelsOnDisk(const QString& path) const {
    std::vector<int> labels;
    auto doc = imaging::Document::open(path);
    for (int i = 0; i < doc->pageCount(); ++i) labels.push_back(pageLabel(doc->decodePage(i)));
    return labels;
}

} // namespace viewertest
