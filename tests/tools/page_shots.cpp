// docuvane-page-shots OUTDIR: the page display showing a 300-dpi bitonal Letter page of text
// (2550 x 3300) at fit to window, 50% and 100% (gray scaling on, as the viewer sets it).
#include "doubles/RenderWait.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/documents/PageOps.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>

#include "ShotSupport.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-page-shots");
    if (out.isEmpty()) return 2;
    QTemporaryDir scratch;
    QImage page(2550, 3300, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        QFont f("DejaVu Sans");
        f.setPixelSize(90);
        painter.setFont(f);
        painter.drawText(240, 360, "Progress notes - ward 4");
        f.setPixelSize(44);
        painter.setFont(f);
        for (int y = 600, i = 0; y < 3100; y += 90, ++i)
            painter.drawText(240, y, QString("%1. Patient resting comfortably, observations "
                                             "stable, fluids encouraged.").arg(i + 1));
        painter.drawRect(200, 200, 2150, 2900);
    }
    const QString path = scratch.filePath("chart.tif");
    imaging::writeDocument(
        path, {imaging::PageSource::pixels(page.convertToFormat(QImage::Format_Mono,
                                                                Qt::ThresholdDither),
                                           300, 300, {})});
    imaging::ImageEdit edit;
    edit.resize(1000, 760);
    edit.setDisplayScaleAlgorithm(1);
    edit.setImage(path);
    edit.setPage(1);
    edit.display();
    edit.show();
    struct Step {
        const char* name;
        double zoom; // 0: fit to window
    };
    for (const Step& s : {Step{"page-fit", 0}, Step{"page-50", 50}, Step{"page-100", 100}}) {
        if (s.zoom == 0)
            edit.fitTo(imaging::kFitBest, true);
        else
            edit.setZoom(s.zoom);
        doubles::waitForRendering(edit, 10000);
        shots::save(&edit, out, s.name);
    }
    return 0;
}
