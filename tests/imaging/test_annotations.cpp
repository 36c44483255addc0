// Annotations: the stored format and its strict reader, moving annotations with their page,
// painting every kind, burning them in, and barcodes in the "Free 3 of 9" font.
#include "imaging/annotations/Annotation.h"
#include "imaging/pixels/Barcode.h"
#include "imaging/pixels/ImageGeometry.h"
#include "imaging/pixels/ImagingError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTransform>
#include <ZXing/ReadBarcode.h>
#include <gtest/gtest.h>

using namespace imaging;

namespace {

Annotation make(AnnotationKind kind, QRect bounds) {
    Annotation a;
    a.kind = kind;
    a.bounds = bounds;
    return a;
}

AnnotationList everyKind() {
    AnnotationList list;
    Annotation line = make(AnnotationKind::FreehandLine, {});
    line.points << QPoint(1, 2) << QPoint(5, 9) << QPoint(-3, 4);
    line.bounds = line.points.boundingRect();
    line.lineColor = QColor(10, 20, 30, 40);
    line.lineWidth = 7;
    list.push_back(line);
    Annotation hl = make(AnnotationKind::Highlighter, QRect(0, 0, 50, 10));
    hl.style = 1;
    list.push_back(hl);
    Annotation straight = make(AnnotationKind::StraightLine, QRect(0, 0, 10, 10));
    straight.points << QPoint(0, 0) << QPoint(10, 10);
    list.push_back(straight);
    list.push_back(make(AnnotationKind::HollowRectangle, QRect(3, 4, 5, 6)));
    list.push_back(make(AnnotationKind::FilledRectangle, QRect(7, 8, 9, 10)));
    Annotation text = make(AnnotationKind::TypedText, QRect(1, 1, 100, 20));
    text.text = QStringLiteral("Ünïcode text\nsecond line");
    text.fontName = QStringLiteral("DejaVu Sans");
    text.fontSize = 14.5;
    text.fontBold = true;
    text.rotation = 3;
    list.push_back(text);
    Annotation noteA = make(AnnotationKind::AttachANote, QRect(5, 5, 40, 40));
    noteA.text = QStringLiteral("note");
    noteA.group = QStringLiteral("Reviewers");
    list.push_back(noteA);
    Annotation fromFile = make(AnnotationKind::TextFromFile, QRect(0, 50, 80, 30));
    fromFile.text = QStringLiteral("from a file");
    list.push_back(fromFile);
    Annotation link = make(AnnotationKind::Hyperlink, QRect(0, 90, 80, 20));
    link.text = QStringLiteral("https://example.org/record");
    list.push_back(link);
    Annotation stamp = make(AnnotationKind::TextStamp, QRect(10, 10, 60, 20));
    stamp.text = QStringLiteral("RECEIVED 2024-01-01 jdoe");
    list.push_back(stamp);
    Annotation image = make(AnnotationKind::ImageStamp, QRect(20, 20, 8, 4));
    image.image = QImage(8, 4, QImage::Format_ARGB32);
    image.image.fill(QColor(200, 0, 0, 128));
    list.push_back(image);
    return list;
}

QByteArray json(const QJsonObject& annotation, int version = 1) {
    QJsonObject root{{"format", "docuvane-annotations"},
                     {"version", version},
                     {"annotations", QJsonArray{annotation}}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

bool refused(const QByteArray& data) {
    try {
        parseAnnotations(data);
        return false;
    } catch (const Error& e) {
        return e.number() == kErrBadFile && !e.description().isEmpty();
    }
}

QImage whitePage(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

// Number of pixels in `r` for which `test` holds.
int count(const QImage& img, QRect r, const std::function<bool(QRgb)>& test) {
    int n = 0;
    r = r.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += test(img.pixel(x, y));
    return n;
}
bool dark(QRgb c) {
    return qGray(c) < 128;
}
bool notWhite(QRgb c) {
    return qGray(c) < 250;
}

QImage painted(const Annotation& a, int w = 200, int h = 120, double dpi = 96) {
    QImage img = whitePage(w, h);
    QPainter p(&img);
    paintAnnotations(p, {a}, QTransform(), dpi);
    return img;
}

} // namespace

TEST(AnnotationFormat, EveryKindSurvivesTheRoundTrip) {
    const AnnotationList list = everyKind();
    const QByteArray data = serializeAnnotations(list);
    EXPECT_TRUE(data.startsWith("{"));
    const AnnotationList back = parseAnnotations(data);
    ASSERT_EQ(back.size(), list.size());
    for (size_t i = 0; i < list.size(); ++i)
        EXPECT_TRUE(back[i] == list[i]) << "annotation " << i;
    // Values that differ from the defaults survive even where they do not show.
    Annotation sized = make(AnnotationKind::TextStamp, QRect(1, 2, 3, 4));
    sized.fontSize = 13;
    EXPECT_TRUE(parseAnnotations(serializeAnnotations({sized}))[0] == sized);
    EXPECT_TRUE(serializeAnnotations({}).isEmpty());
    EXPECT_TRUE(parseAnnotations(QByteArray()).empty());
}

TEST(AnnotationFormat, TheReaderRefusesWhatItDoesNotUnderstand) {
    const QJsonObject ok{{"kind", "filled-rectangle"}, {"bounds", QJsonArray{1, 2, 3, 4}}};
    ASSERT_FALSE(refused(json(ok)));
    EXPECT_TRUE(refused(json(ok, 2))); // a later version
    EXPECT_TRUE(refused("not json at all"));
    EXPECT_TRUE(refused("[1,2,3]"));
    EXPECT_TRUE(refused(R"({"format":"other","version":1,"annotations":[]})"));
    EXPECT_TRUE(refused(R"({"format":"docuvane-annotations","version":1})"));
    auto with = [&](const char* key, const QJsonValue& v) {
        QJsonObject o = ok;
        o.insert(QLatin1String(key), v);
        return json(o);
    };
    EXPECT_TRUE(refused(with("kind", "spiral")));
    EXPECT_TRUE(refused(with("kind", 4)));
    EXPECT_TRUE(refused(with("bounds", QJsonArray{1, 2, 3})));
    EXPECT_TRUE(refused(with("bounds", QJsonArray{1, 2, -3, 4})));
    EXPECT_TRUE(refused(with("bounds", QJsonArray{1.5, 2, 3, 4})));
    EXPECT_TRUE(refused(with("bounds", QJsonArray{1e12, 2, 3, 4})));
    EXPECT_TRUE(refused(with("points", QJsonArray{1, 2, 3})));
    EXPECT_TRUE(refused(with("lineColor", "red")));
    EXPECT_TRUE(refused(with("lineWidth", "2")));
    EXPECT_TRUE(refused(with("style", 7)));
    EXPECT_TRUE(refused(with("rotation", 4)));
    EXPECT_TRUE(refused(with("text", QString(kMaxAnnotationText + 1, QLatin1Char('x')))));
    EXPECT_TRUE(refused(with("font", QJsonObject{{"size", -1}})));
    EXPECT_TRUE(refused(with("image", "***not base64***")));
    EXPECT_TRUE(refused(with("image", QString::fromLatin1(QByteArray("no png").toBase64()))));
    // Size and count limits.
    QJsonArray many;
    for (int i = 0; i <= kMaxAnnotationsPerPage; ++i)
        many.append(ok);
    EXPECT_TRUE(refused(
        QJsonDocument(
            QJsonObject{{"format", "docuvane-annotations"}, {"version", 1}, {"annotations", many}})
            .toJson()));
    EXPECT_TRUE(refused(QByteArray(kMaxAnnotationBytes + 1, ' ')));
    // Unknown members are ignored: a later writer may add some within the same version.
    EXPECT_FALSE(refused(with("shadow", true)));
}

TEST(AnnotationGeometry, RotationAndFlipMoveAnnotationsWithThePage) {
    // Page 100 wide, 50 high. A clockwise quarter turn maps pixel (x, y) to (49 - y, x).
    Annotation r = make(AnnotationKind::FilledRectangle, QRect(10, 5, 20, 8));
    Annotation l = make(AnnotationKind::StraightLine, {});
    l.points << QPoint(0, 0) << QPoint(99, 49);
    l.bounds = l.points.boundingRect();
    Annotation t = make(AnnotationKind::TypedText, QRect(0, 0, 30, 10));
    const AnnotationList turned = rotateAnnotations({r, l, t}, 1, QSize(100, 50));
    EXPECT_EQ(turned[0].bounds, QRect(49 - 12, 10, 8, 20));
    EXPECT_EQ(turned[1].points[0], QPoint(49, 0));
    EXPECT_EQ(turned[1].points[1], QPoint(0, 99));
    EXPECT_EQ(turned[1].bounds, QRect(0, 0, 50, 100));
    EXPECT_EQ(turned[2].rotation, 1);
    // Four quarter turns, or a turn and its opposite, give the original back.
    EXPECT_TRUE(rotateAnnotations(turned, -1, QSize(50, 100)) == AnnotationList({r, l, t}));
    EXPECT_TRUE(rotateAnnotations({r, l, t}, 4, QSize(100, 50)) == AnnotationList({r, l, t}));
    EXPECT_EQ(rotateAnnotations({r}, 2, QSize(100, 50))[0].bounds, QRect(100 - 30, 50 - 13, 20, 8));
    // Top-to-bottom flip: y goes to 49 - y.
    const AnnotationList flipped = flipAnnotations({r, l}, QSize(100, 50));
    EXPECT_EQ(flipped[0].bounds, QRect(10, 50 - 13, 20, 8));
    EXPECT_EQ(flipped[1].points[0], QPoint(0, 49));
}

TEST(AnnotationPainting, EveryKindLeavesItsMarkInsideItsBounds) {
    const QRect box(40, 30, 100, 50);
    const QRect outside = QRect(0, 0, 200, 120);
    for (const Annotation& src : everyKind()) {
        Annotation a = src;
        a.bounds = box;
        a.rotation = 0;
        if (!a.points.isEmpty()) {
            a.points = QPolygon({QPoint(45, 35), QPoint(135, 75), QPoint(60, 70)});
            a.bounds = a.points.boundingRect();
        }
        a.lineColor = Qt::black;
        const QImage img = painted(a);
        const int inside = count(img, a.bounds.adjusted(-6, -6, 6, 6), notWhite);
        const int all = count(img, outside, notWhite);
        EXPECT_GT(inside, 20) << "kind " << int(a.kind);
        EXPECT_EQ(inside, all) << "kind " << int(a.kind) << " painted outside its bounds";
    }
}

TEST(AnnotationPainting, KindsLookAsDocumented) {
    const QRect box(40, 30, 100, 50);
    // Filled rectangle: the whole box in the fill colour. Hollow: border only.
    Annotation filled = make(AnnotationKind::FilledRectangle, box);
    filled.fillColor = QColor(0, 0, 255);
    EXPECT_EQ(count(painted(filled), box, [](QRgb c) { return c == qRgb(0, 0, 255); }), 100 * 50);
    Annotation hollow = make(AnnotationKind::HollowRectangle, box);
    hollow.lineColor = Qt::black;
    hollow.lineWidth = 4;
    const QImage h = painted(hollow);
    EXPECT_TRUE(dark(h.pixel(41, 50)));
    EXPECT_FALSE(notWhite(h.pixel(90, 55)));
    // Highlighter: translucent, the print under it stays dark.
    QImage page = whitePage(200, 120);
    {
        QPainter p(&page);
        p.fillRect(QRect(60, 40, 10, 10), Qt::black);
        Annotation hl = make(AnnotationKind::Highlighter, box);
        hl.fillColor = QColor(255, 255, 0);
        paintAnnotations(p, {hl}, QTransform(), 96);
    }
    EXPECT_TRUE(dark(page.pixel(65, 45)));
    EXPECT_GT(qRed(page.pixel(100, 60)), 200);
    EXPECT_LT(qBlue(page.pixel(100, 60)), 100);
    // Hyperlink: blue text. Note: the fill colour behind the text.
    Annotation link = make(AnnotationKind::Hyperlink, box);
    link.text = QStringLiteral("link here");
    link.fontSize = 20;
    EXPECT_GT(count(painted(link), box, [](QRgb c) { return qBlue(c) > 200 && qRed(c) < 120; }),
              30);
    Annotation n = make(AnnotationKind::AttachANote, box);
    n.text = QStringLiteral("x");
    n.fillColor = QColor(255, 255, 128);
    EXPECT_EQ(painted(n).pixel(130, 70), qRgb(255, 255, 128));
}

TEST(AnnotationPainting, FontsAreSizedInPointsAtThePageResolution) {
    Annotation t = make(AnnotationKind::TypedText, QRect(0, 0, 400, 200));
    t.text = QStringLiteral("HH");
    t.fontName = QStringLiteral("DejaVu Sans");
    t.fontSize = 12;
    t.lineColor = Qt::black;
    auto inkHeight = [&](double dpi) {
        const QImage img = painted(t, 400, 200, dpi);
        int top = 200, bottom = -1;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 400; ++x)
                if (dark(img.pixel(x, y))) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        return bottom - top + 1;
    };
    const int at100 = inkHeight(100), at300 = inkHeight(300);
    EXPECT_GT(at100, 5);
    EXPECT_NEAR(double(at300) / at100, 3.0, 0.35);
    // 12 points are 1/6 inch: a capital H is about 70% of that.
    EXPECT_NEAR(at300, 300.0 / 6 * 0.73, 8);
}

TEST(AnnotationBurning, BitonalPagesStayBitonal) {
    QImage page(120, 60, QImage::Format_Mono);
    page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    page.fill(0);
    page.setPixel(5, 5, 1);
    page.setDotsPerMeterX(7874);
    Annotation box = make(AnnotationKind::FilledRectangle, QRect(20, 10, 30, 20));
    box.fillColor = Qt::black;
    Annotation pale = make(AnnotationKind::FilledRectangle, QRect(70, 10, 30, 20));
    pale.fillColor = QColor(230, 230, 230);
    Annotation red = make(AnnotationKind::StraightLine, QRect(0, 50, 120, 1)); // red by default
    red.points << QPoint(0, 50) << QPoint(119, 50);
    red.lineWidth = 3;
    Annotation marker = make(AnnotationKind::Highlighter, QRect(0, 40, 120, 5)); // yellow
    burnAnnotations(page, {box, pale, red, marker}, 200);
    ASSERT_EQ(page.format(), QImage::Format_Mono);
    EXPECT_EQ(page.dotsPerMeterX(), 7874);
    EXPECT_EQ(page.pixelIndex(5, 5), 1);
    EXPECT_EQ(page.pixelIndex(30, 20), 1);
    EXPECT_EQ(page.pixelIndex(80, 20), 0); // light colours vanish on a bitonal page
    EXPECT_EQ(page.pixelIndex(60, 20), 0);
    EXPECT_EQ(page.pixelIndex(60, 50), 1); // coloured marks turn black
    EXPECT_EQ(page.pixelIndex(60, 42), 0); // a highlighter cannot show on a bitonal page
    QImage gray(40, 40, QImage::Format_Grayscale8);
    gray.fill(255);
    burnAnnotations(gray, {make(AnnotationKind::HollowRectangle, QRect(0, 0, 40, 40))}, 96);
    EXPECT_EQ(gray.format(), QImage::Format_Grayscale8);
    EXPECT_LT(qGray(gray.pixel(0, 20)), 200);
}

TEST(Barcodes, FreeThreeOfNineTextIsAReadableCode39Barcode) {
    if (code39FontInstalled()) GTEST_SKIP() << "the barcode font is installed: it is drawn as text";
    for (double dpi : {200.0, 300.0}) {
        for (const QString& text :
             {QStringLiteral("*MRN12345*"), QStringLiteral("Adm-2024/07 x")}) {
            const int w = int(4.5 * dpi), h = int(dpi);
            QImage page(w, h, QImage::Format_Mono);
            page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
            page.fill(0);
            Annotation code =
                make(AnnotationKind::TypedText,
                     QRect(int(dpi * 0.3), int(dpi * 0.3), int(dpi * 3.8), int(dpi * 0.4)));
            code.fontName = QStringLiteral("Free 3 of 9");
            code.text = text;
            burnAnnotations(page, {code}, dpi);
            ASSERT_EQ(page.depth(), 1);
            const QImage gray = page.convertToFormat(QImage::Format_Grayscale8);
            const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(),
                                        ZXing::ImageFormat::Lum, int(gray.bytesPerLine()));
            const ZXing::Result result =
                ZXing::ReadBarcode(view, ZXing::DecodeHints()
                                             .setFormats(ZXing::BarcodeFormat::Code39)
                                             .setTryCode39ExtendedMode(true));
            ASSERT_TRUE(result.isValid()) << dpi << " dpi " << qPrintable(text);
            QString expected = text;
            if (expected.startsWith(QLatin1Char('*')))
                expected = expected.mid(1, expected.size() - 2);
            EXPECT_EQ(QString::fromStdString(result.text()), expected);
        }
    }
}

TEST(Barcodes, TextThatCannotBeEncodedIsRefusedOrShownAsText) {
    EXPECT_THROW(code39Modules(QStringLiteral("Ünï")), Error);
    EXPECT_THROW(code39Modules(QStringLiteral("**")), Error);
    // Painting falls back to plain text instead of drawing nothing.
    Annotation a = make(AnnotationKind::TypedText, QRect(10, 10, 150, 40));
    a.fontName = QStringLiteral("Free 3 of 9");
    a.text = QStringLiteral("Zoë");
    a.lineColor = Qt::black;
    a.fontSize = 16;
    EXPECT_GT(count(painted(a), QRect(10, 10, 150, 40), dark), 20);
    // A narrow and a wide symbol have the same start: Code 39 frames every symbol with '*'.
    const std::vector<bool> m1 = code39Modules(QStringLiteral("A")),
                            m2 = code39Modules(QStringLiteral("AB"));
    EXPECT_LT(m1.size(), m2.size());
    EXPECT_TRUE(std::equal(m1.begin(), m1.begin() + 12, m2.begin()));
}

TEST(Barcodes, ABarcodeTurnsWithItsPageAndStillReads) {
    if (code39FontInstalled()) GTEST_SKIP() << "the barcode font is installed: it is drawn as text";
    const double dpi = 200;
    QImage page(int(4.5 * dpi), int(dpi), QImage::Format_Mono);
    page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    page.fill(0);
    Annotation code = make(AnnotationKind::TextStamp, QRect(60, 60, 760, 80));
    code.fontName = QStringLiteral("free 3 of 9"); // the name in any case
    code.text = QStringLiteral("REC-778");
    const AnnotationList turned = rotateAnnotations({code}, 1, page.size());
    QImage upright = rotateQuarterTurns(page, 1);
    ASSERT_EQ(turned[0].rotation, 1);
    burnAnnotations(upright, turned, dpi);
    const QImage gray = upright.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(),
                                ZXing::ImageFormat::Lum, int(gray.bytesPerLine()));
    const ZXing::Result result = ZXing::ReadBarcode(
        view, ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::Code39).setTryRotate(true));
    ASSERT_TRUE(result.isValid());
    EXPECT_EQ(result.text(), "REC-778");
    EXPECT_EQ(turned[0].bounds.height(), 760);
}
