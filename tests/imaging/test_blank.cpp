// Nearly blank pages: specks, punch holes and scanner edge shadows leave a page blank; a
// single line of text (or one word) never does, with or without those around it, nor does a
// dark page or a picture that runs off the edge.
#include "imaging/pixels/BlankPage.h"

#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace imaging;

namespace {

constexpr int kW = 2550, kH = 3300, kDpi = 300; // Letter at 300 dpi

enum Mark : unsigned {
    kSpecks = 1,
    kPunchHoles = 2,
    kEdgeShadow = 4,
    kTextLine = 8,
    kOneWord = 16,
    kGrayPaper = 32,
    kDarkPage = 64,       // a sheet scanned all dark (a black test sheet, a dark photocopy)
    kPictureOffEdge = 128, // a 3 x 4 inch dark picture running off the right edge
};

QImage page(unsigned marks) {
    QImage img(kW, kH, QImage::Format_RGB32);
    img.fill(marks & kGrayPaper ? QColor(232, 230, 225) : QColor(Qt::white));
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    if (marks & kSpecks) { // dust: 300 dots of 1 to 4 pixels
        QRandomGenerator rng(5);
        for (int i = 0; i < 300; ++i)
            p.drawRect(QRect(rng.bounded(60, kW - 60), rng.bounded(60, kH - 60), rng.bounded(1, 4),
                             rng.bounded(1, 4)));
    }
    if (marks & kPunchHoles) // three holes of 1/4 inch, their centres 1/2 inch from the edge
        for (int k = 1; k <= 3; ++k) p.drawEllipse(QPoint(150, k * kH / 4), 38, 38);
    if (marks & kEdgeShadow) { // a dark band down the right edge and a gray one at the top
        p.fillRect(QRect(kW - 45, 0, 45, kH), QColor(20, 20, 20));
        p.fillRect(QRect(0, 0, kW, 25), QColor(90, 90, 90));
    }
    if (marks & kDarkPage) p.fillRect(img.rect(), QColor(15, 15, 15));
    if (marks & kPictureOffEdge) p.fillRect(QRect(kW - 900, 1000, 900, 1200), QColor(60, 60, 60));
    p.setPen(Qt::black);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(42); // 10 pt at 300 dpi
    p.setFont(font);
    if (marks & kTextLine)
        p.drawText(QPoint(300, 1600), QStringLiteral("Patient seen in clinic, no change in therapy."));
    if (marks & kOneWord) p.drawText(QPoint(1200, 2900), QStringLiteral("Void"));
    p.end();
    return img;
}

QImage bilevel(const QImage& img) {
    return img.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither | Qt::MonoOnly);
}

} // namespace

TEST(BlankPage, SpecksHolesAndShadowsAreBlankTextNeverIs) {
    const struct {
        const char* what;
        unsigned marks;
        bool blank;
    } cases[] = {
        {"white page", 0, true},
        {"specks", kSpecks, true},
        {"punch holes", kPunchHoles, true},
        {"edge shadows", kEdgeShadow, true},
        {"specks, holes and shadows", kSpecks | kPunchHoles | kEdgeShadow, true},
        {"gray paper with specks and holes", kGrayPaper | kSpecks | kPunchHoles, true},
        {"one line of text", kTextLine, false},
        {"one line of text among specks, holes, shadows",
         kTextLine | kSpecks | kPunchHoles | kEdgeShadow, false},
        {"one word", kOneWord, false},
        {"one word on gray paper with holes and shadows",
         kOneWord | kGrayPaper | kPunchHoles | kEdgeShadow, false},
        {"an all-dark page", kDarkPage, false},
        {"a picture running off the edge, with shadows", kPictureOffEdge | kEdgeShadow, false},
    };
    for (const auto& c : cases) {
        const QImage colour = page(c.marks);
        for (const QImage& img : {colour, bilevel(colour), colour.convertToFormat(QImage::Format_Grayscale8)}) {
            const BlankPageResult r = measureBlankPage(img, kDpi);
            EXPECT_EQ(r.blank, c.blank) << c.what << " (format " << int(img.format())
                                        << ", ink " << r.inkPercent << "%)";
        }
    }
}

TEST(BlankPage, TheThresholdDecides) {
    // A line of text is about 40 letters of some 300 ink pixels each: 0.1% to 0.3% of the
    // page. A threshold above that calls it blank; the default does not.
    const QImage img = bilevel(page(kTextLine));
    EXPECT_FALSE(measureBlankPage(img, kDpi).blank);
    EXPECT_TRUE(measureBlankPage(img, kDpi, 1.0).blank);
    EXPECT_TRUE(measureBlankPage(QImage(), kDpi).blank);
}
