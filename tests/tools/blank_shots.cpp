// docuvane-blank-shots OUTDIR: starts the program on a scratch folder as the medical-records
// user, opens a document of six pages of which three are blank backs (specks, punch holes, a
// scanner's edge shadow), checks it for blank pages and saves pictures of the window: the
// thumbnail strip with the marked pages and the counter on a marked page, the Page menu, and
// the question of "Delete Marked Blank Pages".
#include "ShotSupport.h"
#include "doubles/RenderWait.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "viewer/BlankPages.h"
#include "viewer/JobHost.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRandomGenerator>

namespace {

// A blank back at 100 dpi: dust, and punch holes or an edge shadow as asked.
imaging::PageSource blankBack(int seed, bool holes, bool shadow) {
    QImage page(850, 1100, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    QRandomGenerator rng{quint32(seed)};
    for (int i = 0; i < 300; ++i) p.drawRect(rng.bounded(10, 840), rng.bounded(10, 1090), 1, 1);
    if (holes)
        for (int y : {150, 550, 950}) p.drawEllipse(QPoint(50, y), 15, 15);
    if (shadow)
        for (int y = 0; y < 1100; y += 4) p.drawRect(0, y, 10 + rng.bounded(0, 8), 4);
    p.end();
    return imaging::PageSource::pixels(page.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither),
                                       100, 100, {});
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-blank-shots");
    if (out.isEmpty()) return 2;
    shots::RecordsClerkProgram clerk;
    viewer::MainWindow* started = clerk.start();
    if (!started) return 1;
    viewer::MainWindow& w = *started;
    w.resize(1100, 800);

    const QString path = clerk.scratch.filePath("discharge.tif");
    imaging::writeDocument(path, {shots::textPage("DISCHARGE SUMMARY - page 1", 20),
                                  blankBack(2, false, false),
                                  shots::textPage("DISCHARGE SUMMARY - page 2", 12),
                                  blankBack(4, true, false), blankBack(5, false, true),
                                  shots::textPage("MEDICATION LIST", 6)});
    w.PerformFileOpen(false, path, 1);
    w.findChild<QAction*>("mnuViewModeItem_2")->trigger();
    viewer::checkBlankPages(w, 1, 6);
    shots::waitJobs(w);
    w.docImgEdit1->setPage(4);
    w.EnablePageMenusAndDisplay(4, false);
    doubles::waitForIdle(*w.docImgEdit1, 10000);
    for (int i = 0; i < 200 && (w.docImgThumbnail1->isBusy() || w.docImgThumbnail1->generatedMissing() > 0); ++i)
        shots::settle(50);
    shots::save(&w, out, "main-blank-pages-marked");
    QString marked;
    for (int page : w.blankPages().marked()) marked += QString::number(page) + " ";
    std::printf("marked: %s; counter: %s; delete item enabled: %s\n", qPrintable(marked),
                qPrintable(w.ui().txtPages->text()),
                w.ui().mnuPageDeleteBlankPages->isEnabled() ? "yes" : "no");

    clerk.prompter.answers.push_back(app::mb::No);
    w.ui().mnuPageDeleteBlankPages->trigger();
    for (const auto& m : clerk.prompter.shown) std::printf("question: %s\n", qPrintable(m.text));
    return 0;
}
