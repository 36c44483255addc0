// The page display's image algorithms, on tiny images whose marker pixels prove orientation.
#include "imaging/pixels/ImageOps.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace imaging;

// A white bitonal page (index 0 white, 1 black, as the decoder delivers them).
QImage blankMono(int w, int h) {
    QImage img(w, h, QImage::Format_Mono);
    img.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    img.fill(0);
    return img;
}

// A bitonal image from text rows: '#' black, anything else white.
QImage monoFromRows(const std::vector<std::string>& rows) {
    const int h = int(rows.size());
    const int w = int(rows.front().size());
    QImage img = blankMono(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, rows[std::size_t(y)][std::size_t(x)] == '#' ? 1 : 0);
    return img;
}

std::vector<std::string> rowsOf(const QImage& img) {
    std::vector<std::string> rows;
    for (int y = 0; y < img.height(); ++y) {
        std::string r;
        for (int x = 0; x < img.width(); ++x)
            r += qGray(img.pixel(x, y)) < 128 ? '#' : '.';
        rows.push_back(r);
    }
    return rows;
}

QImage grayFromRows(const std::vector<std::string>& rows) {
    return monoFromRows(rows).convertToFormat(QImage::Format_Grayscale8);
}

// A page of text-like lines ("words" of ink) rotated by `degrees` clockwise about its centre.
QImage skewedTextPage(double degrees, QSize size = QSize(1275, 1650)) {
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    p.translate(size.width() / 2.0, size.height() / 2.0);
    p.rotate(degrees);
    p.translate(-size.width() / 2.0, -size.height() / 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    quint32 seed = 7; // unsigned: the generator wraps around by design
    for (int y = 150; y < size.height() - 150; y += 40) {
        for (int x = 120; x < size.width() - 120;) {
            seed = (seed * 1103515245u + 12345u) & 0x7fffffffu;
            const int word = 30 + int(seed % 90);
            p.drawRect(x, y, std::min(word, size.width() - 120 - x), 14);
            x += word + 18;
        }
    }
    p.end();
    return ops::toBitonal(canvas);
}

TEST(ImageOpsPixels, InvertSwapsInkAndPaper) {
    EXPECT_EQ(rowsOf(ops::invert(monoFromRows({"#.", ".#"}))),
              (std::vector<std::string>{".#", "#."}));
    QImage gray(2, 1, QImage::Format_Grayscale8);
    gray.setPixel(0, 0, qRgb(10, 10, 10));
    gray.setPixel(1, 0, qRgb(200, 200, 200));
    const QImage inv = ops::invert(gray);
    EXPECT_EQ(qGray(inv.pixel(0, 0)), 245);
    EXPECT_EQ(qGray(inv.pixel(1, 0)), 55);
}

TEST(ImageOpsPixels, ClearAndPasteRespectThePageFormat) {
    QImage page = monoFromRows({"#####", "#####", "#####", "#####"});
    ops::clearToWhite(page, QRect(1, 1, 2, 2));
    EXPECT_EQ(rowsOf(page), (std::vector<std::string>{"#####", "#..##", "#..##", "#####"}));

    // A colour piece on a bitonal page is thresholded; what falls off the page is dropped.
    QImage piece(3, 1, QImage::Format_RGB32);
    piece.setPixel(0, 0, qRgb(255, 255, 255));
    piece.setPixel(1, 0, qRgb(20, 20, 20));
    piece.setPixel(2, 0, qRgb(240, 240, 240));
    ops::pasteInto(page, piece, QPoint(3, 3));
    EXPECT_EQ(rowsOf(page), (std::vector<std::string>{"#####", "#..##", "#..##", "###.#"}));
    EXPECT_EQ(page.format(), QImage::Format_Mono);

    QImage gray(4, 4, QImage::Format_Grayscale8);
    gray.fill(0);
    ops::pasteInto(gray, monoFromRows({".#"}), QPoint(-1, 2));
    EXPECT_EQ(qGray(gray.pixel(0, 2)), 0); // the black pixel of the piece
    EXPECT_EQ(qGray(gray.pixel(0, 1)), 0); // untouched
    ops::clearToWhite(gray, QRect(2, 0, 10, 1));
    EXPECT_EQ(qGray(gray.pixel(3, 0)), 255);
    EXPECT_EQ(qGray(gray.pixel(1, 0)), 0);
}

TEST(ImageOpsSkew, EstimatesKnownAnglesWithinAFifthOfADegree) {
    for (double angle : {0.0, 3.0, -7.5, 1.3, 12.0, -0.6}) {
        const QImage page = skewedTextPage(angle);
        EXPECT_NEAR(ops::estimateSkew(page), angle, 0.2) << "angle " << angle;
    }
    // Gray pages too.
    const QImage gray = skewedTextPage(-4.0).convertToFormat(QImage::Format_Grayscale8);
    EXPECT_NEAR(ops::estimateSkew(gray), -4.0, 0.2);
}

TEST(ImageOpsSkew, DeskewStraightensAndSmallAnglesAreLeftAlone) {
    const QImage page = skewedTextPage(5.0);
    double found = 0;
    const QImage straight = ops::deskew(page, 0.2, &found);
    EXPECT_NEAR(found, 5.0, 0.2);
    EXPECT_EQ(straight.size(), page.size());
    EXPECT_EQ(straight.format(), QImage::Format_Mono);
    EXPECT_NEAR(ops::estimateSkew(straight), 0.0, 0.2);
    // Corners uncovered by the rotation are white.
    EXPECT_EQ(qGray(straight.pixel(0, 0)), 255);
    EXPECT_EQ(qGray(straight.pixel(straight.width() - 1, straight.height() - 1)), 255);

    const QImage almost = skewedTextPage(0.1);
    double small = 1;
    const QImage same = ops::deskew(almost, 0.2, &small);
    EXPECT_LT(std::abs(small), 0.2);
    EXPECT_EQ(rowsOf(same), rowsOf(almost));

    // An empty page has no skew.
    QImage blank = blankMono(200, 200);
    EXPECT_EQ(ops::estimateSkew(blank), 0.0);
}

TEST(ImageOpsSkew, RotateByAngleTurnsClockwise) {
    // A dot right of the centre of a 21x21 page moves down when turned clockwise by 90.
    QImage page = blankMono(21, 21);
    page.setPixel(18, 10, 1);
    const QImage turned = ops::rotateByAngle(page, 90.0);
    EXPECT_LT(qGray(turned.pixel(10, 18)), 128);
    EXPECT_EQ(qGray(turned.pixel(18, 10)), 255);
    const QImage grayTurned =
        ops::rotateByAngle(page.convertToFormat(QImage::Format_Grayscale8), 90.0);
    EXPECT_EQ(grayTurned.format(), QImage::Format_Grayscale8);
    EXPECT_LT(qGray(grayTurned.pixel(10, 18)), 128);
}

TEST(ImageOpsSmooth, RemovesSpecksAndPinholesButKeepsStrokes) {
    const std::vector<std::string> noisy = {
        "....................",
        ".#..........##......", // single speck; a pair
        "....................", "....#...............",
        ".....#........###...", // diagonal pair; a group of three stays
        "....................",
        ".############.......", // a stroke two pixels high
        ".############.......", "....................", "..######............",
        "..##.###............", // a pinhole in a blot
        "..######............",
        "#...................", // a speck at the border
    };
    const std::vector<std::string> clean = {
        "....................", "....................", "....................",
        "....................", "..............###...", "....................",
        ".############.......", ".############.......", "....................",
        "..######............", "..######............", "..######............",
        "....................",
    };
    EXPECT_EQ(rowsOf(ops::despeckle(monoFromRows(noisy))), clean);
    // Clean text-like strokes come back unchanged.
    const QImage text = skewedTextPage(2.0, QSize(300, 300));
    EXPECT_EQ(rowsOf(ops::despeckle(text)), rowsOf(text));
}

TEST(ImageOpsSmooth, GrayPagesGetAMedian) {
    QImage gray(9, 9, QImage::Format_Grayscale8);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            gray.setPixel(x, y, x < 5 ? qRgb(30, 30, 30) : qRgb(220, 220, 220));
    gray.setPixel(2, 2, qRgb(255, 255, 255)); // salt
    gray.setPixel(7, 6, qRgb(0, 0, 0));       // pepper
    const QImage out = ops::despeckle(gray);
    EXPECT_EQ(out.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(qGray(out.pixel(2, 2)), 30);
    EXPECT_EQ(qGray(out.pixel(7, 6)), 220);
    // The step edge between the halves stays where it was.
    EXPECT_EQ(qGray(out.pixel(4, 4)), 30);
    EXPECT_EQ(qGray(out.pixel(5, 4)), 220);
}

TEST(ImageOpsScaling, RenderRegionShowsThePartAskedFor) {
    QImage page = blankMono(100, 100);
    for (int y = 50; y < 60; ++y)
        for (int x = 50; x < 60; ++x)
            page.setPixel(x, y, 1);
    // 400 %: source pixel 49 covers target 196..199 (white), pixel 50 covers 200..203.
    const QImage zoomed = ops::renderRegion(page, 4.0, QRect(196, 196, 8, 8), false);
    ASSERT_EQ(zoomed.size(), QSize(8, 8));
    EXPECT_EQ(qGray(zoomed.pixel(3, 3)), 255);
    EXPECT_EQ(qGray(zoomed.pixel(4, 4)), 0);
    EXPECT_EQ(qGray(zoomed.pixel(7, 7)), 0);
    EXPECT_EQ(qGray(zoomed.pixel(3, 7)), 255);
    // 50 % with gray scaling: the block covers target pixels 25..29.
    const QImage reduced = ops::renderRegion(page, 0.5, QRect(20, 20, 20, 20), true);
    ASSERT_EQ(reduced.size(), QSize(20, 20));
    EXPECT_EQ(qGray(reduced.pixel(5, 5)), 0); // target 25,25
    EXPECT_EQ(qGray(reduced.pixel(9, 9)), 0); // target 29,29
    EXPECT_EQ(qGray(reduced.pixel(10, 10)), 255);
    EXPECT_EQ(qGray(reduced.pixel(4, 4)), 255);
}

} // namespace
