// Fuzz target: the annotation reader. What it accepts must survive writing and reading
// again unchanged, and must paint and burn without harm.
#include "imaging/annotations/Annotation.h"
#include "imaging/pixels/ImagingError.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTransform>
#include <cstdlib>

using namespace imaging;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv); // fonts need it
    return 0;
}

namespace {
// Qt's image plugins report damaged data as warnings: expected here, and only noise.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}
const bool silenced = (qInstallMessageHandler(quiet), true);
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AnnotationList list;
    try {
        list = parseAnnotations(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const Error&) {
        return 0;
    }
    const AnnotationList again = parseAnnotations(serializeAnnotations(list));
    if (!(again == list)) std::abort();
    if (list.size() > 50) return 0;
    QImage page(64, 48, QImage::Format_Mono);
    page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    page.fill(0);
    burnAnnotations(page, list, 50);
    QImage colour(64, 48, QImage::Format_RGB32);
    colour.fill(Qt::white);
    QPainter painter(&colour);
    paintAnnotations(painter, list, QTransform::fromScale(0.5, 0.5), 100);
    rotateAnnotations(list, 1, page.size());
    flipAnnotations(list, page.size());
    return 0;
}
