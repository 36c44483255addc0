// The page display's renderings: paging through a long record keeps them within the
// renderer's byte budget, and the pixels shown at fit, 50% and 100% are the page's own pixels
// scaled as the whole page would be.
#include "CoreFixtures.h"
#include "imaging/controls/PageRenderer.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/Downscale.h"
#include "support/TempDir.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace imaging;

namespace {

// A bilevel page whose black pixels depend on the page number, so pages differ.
corefx::Page markedPage(uint32_t w, uint32_t h, int number) {
    return corefx::bitonalPage(w, h, false, 4 /* Group 4 */, [number](int x, int y) {
        return ((x / 7 + y / 5 + number) % 9 == 0) || (y % 61 == number % 61);
    });
}

RenderRequest requestFor(const DocumentModel& model, int page, double scale, const QRect& visible) {
    RenderRequest r;
    r.page = page;
    r.revision = model.pageRevision(page);
    r.scale = scale;
    r.grayScaling = true;
    const PageInfo info = model.pageInfo(page);
    r.scaledSize = QSize(int(std::lround(info.width * scale)), int(std::lround(info.height * scale)));
    r.target = PageRenderer::planTarget(r.scaledSize, visible);
    return r;
}

TEST(PageMemory, PagingThroughALongRecordStaysWithinTheRenderingBudget) {
    testsupport::TempDir dir;
    const QString path = dir.file("record.tif");
    std::vector<corefx::Page> pages;
    constexpr int kPages = 200;
    // Pages of 1275 x 1650 shown at 100%: each rendering is 8.4 MB, so the page shown and
    // both neighbours (25 MB) are more than the budget and older renderings must go.
    for (int i = 0; i < kPages; ++i) pages.push_back(markedPage(1275, 1650, i));
    corefx::writeTiff(path, pages);
    auto model = DocumentModel::acquire(path);
    PageRenderer renderer;
    renderer.setModel(model);
    const qint64 oneRendering = 1275LL * 1650 * 4;
    qint64 mostHeld = 0;
    for (int i = 0; i < kPages; ++i) {
        const RenderRequest current = requestFor(*model, i, 1.0, QRect(0, 0, 1280, 1024));
        std::vector<RenderRequest> prefetch;
        for (int n : {i + 1, i - 1})
            if (n >= 0 && n < kPages) prefetch.push_back(requestFor(*model, n, 1.0, QRect()));
        renderer.request(current, prefetch);
        ASSERT_TRUE(QTest::qWaitFor([&] { return renderer.idle() && !renderer.busy(); }, 20000))
            << "page " << i;
        const RenderedPiece* shown = renderer.exact(current, QRect(0, 0, 1280, 1024));
        ASSERT_NE(shown, nullptr) << "page " << i;
        // Renderings are drawn into the memory of ones let go: never with a trace of them.
        if (i % 40 == 39) {
            QImage decoded;
            EXPECT_EQ(shown->image, PageRenderer::render(*model, current, decoded)) << "page " << i;
        }
        EXPECT_LE(renderer.renderingBytes(), PageRenderer::kCacheBytes) << "page " << i;
        // The held decode is the page in its stored depth: one bit a pixel.
        EXPECT_LE(renderer.decodedBytes(), qint64((1275 + 31) / 32 * 4) * 1650) << "page " << i;
        mostHeld = std::max(mostHeld, renderer.renderingBytes());
    }
    // The budget was reached (two renderings) but never exceeded.
    EXPECT_GE(mostHeld, 2 * oneRendering);
    EXPECT_LE(renderer.renderingCount(), std::size_t(PageRenderer::kCacheBytes / oneRendering));

    // Shown whole at a quarter, dozens of renderings would fit the budget; paging lets go of
    // every page but the one shown and its two neighbours, so nothing grows with the pages
    // visited.
    const qint64 quarter = qint64((1275 + 3) / 4 + 1) * ((1650 + 3) / 4 + 1) * 4;
    for (int i = 0; i < 40; ++i) {
        const RenderRequest current = requestFor(*model, i, 0.25, QRect(0, 0, 1280, 1024));
        std::vector<RenderRequest> prefetch;
        for (int n : {i + 1, i - 1})
            if (n >= 0) prefetch.push_back(requestFor(*model, n, 0.25, QRect()));
        renderer.request(current, prefetch);
        ASSERT_TRUE(QTest::qWaitFor([&] { return renderer.idle() && !renderer.busy(); }, 20000))
            << "page " << i;
        EXPECT_LE(renderer.renderingBytes(), 3 * quarter) << "page " << i;
        for (int gone : {i - 2, i - 5, kPages - 1})
            if (gone >= 0)
                EXPECT_EQ(renderer.standIn(gone, model->pageRevision(gone)), nullptr)
                    << "page " << gone << " kept while page " << i << " is shown";
    }
}

// What the display shows for a whole page at `scale`, assembled from the renderer's pieces for
// a 1280 x 1024 viewport scrolled over the page in steps.
QImage shownAt(const DocumentModel& model, double scale) {
    const PageInfo info = model.pageInfo(0);
    const QSize scaled(int(std::lround(info.width * scale)), int(std::lround(info.height * scale)));
    QImage shown(scaled, QImage::Format_RGB32);
    shown.fill(Qt::red);
    for (int y = 0; y < scaled.height(); y += 1024)
        for (int x = 0; x < scaled.width(); x += 1280) {
            const QRect visible(x, y, 1280, 1024);
            RenderRequest r = requestFor(model, 0, scale, visible);
            QImage decoded;
            const QImage piece = PageRenderer::render(model, r, decoded);
            EXPECT_EQ(piece.size(), r.target.size());
            const QRect seen = visible & QRect(QPoint(0, 0), scaled);
            for (int py = seen.top(); py <= seen.bottom(); ++py)
                for (int px = seen.left(); px <= seen.right(); ++px)
                    shown.setPixel(px, py, piece.pixel(px - r.target.x(), py - r.target.y()));
        }
    return shown;
}

TEST(PageMemory, ShownPixelsAreThePagesOwnAtFitHalfAndFullSize) {
    testsupport::TempDir dir;
    const QString path = dir.file("page.tif");
    corefx::writeTiff(path, {markedPage(2550, 3300, 3)});
    auto model = DocumentModel::acquire(path);
    // The reference: the whole page decoded and scaled at once, by the pixels library's
    // downscaler (reductions) or taken pixel for pixel (100%).
    const QImage page = model->pageImage(0).convertToFormat(QImage::Format_RGB32);
    struct Zoom {
        const char* name;
        double scale;
    };
    const double fit = 1024.0 / 3300;
    for (const Zoom& z : {Zoom{"fit", fit}, Zoom{"50%", 0.5}, Zoom{"100%", 1.0}}) {
        SCOPED_TRACE(z.name);
        const QSize scaled(int(std::lround(2550 * z.scale)), int(std::lround(3300 * z.scale)));
        const QImage expected =
            z.scale < 1.0
                ? grayDownscale(model->pageImage(0), scaled).convertToFormat(QImage::Format_RGB32)
                : page;
        const QImage shown = shownAt(*model, z.scale);
        ASSERT_EQ(shown.size(), expected.size());
        EXPECT_TRUE(shown == expected);
    }
}

} // namespace
