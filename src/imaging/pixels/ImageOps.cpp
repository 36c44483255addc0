#include "imaging/pixels/ImageOps.h"

#include "imaging/pixels/Downscale.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace imaging::ops {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A bitonal image as one byte per pixel: 1 = black, 0 = white.
struct BitMatrix {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;
    std::uint8_t at(int x, int y) const { return bits[std::size_t(y) * width + x]; }
    std::uint8_t& at(int x, int y) { return bits[std::size_t(y) * width + x]; }
};

// Which bit value of a 1-bit image stands for black, from its colour table.
int blackBit(const QImage& image) {
    if (image.colorCount() >= 2) return qGray(image.color(1)) <= qGray(image.color(0)) ? 1 : 0;
    return 1;
}

const std::uint8_t* unpackTable() {
    static std::uint8_t table[256][8];
    static const bool ready = [] {
        for (int v = 0; v < 256; ++v)
            for (int b = 0; b < 8; ++b)
                table[v][b] = (v >> (7 - b)) & 1;
        return true;
    }();
    (void)ready;
    return &table[0][0];
}

// Unpacks one row of a Format_Mono image into 0/1 bytes where 1 = black.
void unpackRow(const uchar* line, int width, bool blackIsOne, std::uint8_t* out) {
    const std::uint8_t* table = unpackTable();
    const int fullBytes = width / 8;
    for (int i = 0; i < fullBytes; ++i)
        std::memcpy(out + i * 8, table + line[i] * 8, 8);
    for (int x = fullBytes * 8; x < width; ++x)
        out[x] = (line[x >> 3] >> (7 - (x & 7))) & 1;
    if (!blackIsOne)
        for (int x = 0; x < width; ++x)
            out[x] ^= 1;
}

QImage asMono(const QImage& image) {
    return image.format() == QImage::Format_Mono ? image
                                                 : image.convertToFormat(QImage::Format_Mono);
}

BitMatrix unpack(const QImage& bitonal) {
    const QImage mono = asMono(bitonal);
    BitMatrix m;
    m.width = mono.width();
    m.height = mono.height();
    m.bits.resize(std::size_t(m.width) * m.height);
    const bool blackIsOne = blackBit(mono) == 1;
    for (int y = 0; y < m.height; ++y)
        unpackRow(mono.constScanLine(y), m.width, blackIsOne, &m.bits[std::size_t(y) * m.width]);
    return m;
}

QImage emptyMono(int width, int height) {
    QImage out(width, height, QImage::Format_Mono);
    out.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    return out;
}

QImage pack(const BitMatrix& m, const QImage& like) {
    QImage out = emptyMono(m.width, m.height);
    out.setDotsPerMeterX(like.dotsPerMeterX());
    out.setDotsPerMeterY(like.dotsPerMeterY());
    for (int y = 0; y < m.height; ++y) {
        uchar* line = out.scanLine(y);
        std::memset(line, 0, out.bytesPerLine());
        const std::uint8_t* row = &m.bits[std::size_t(y) * m.width];
        for (int x = 0; x < m.width; ++x)
            if (row[x]) line[x >> 3] |= uchar(0x80 >> (x & 7));
    }
    return out;
}

// Gray and colour pages in a format whose pixels are whole bytes.
QImage asByteFormat(const QImage& image) {
    if (image.depth() >= 8 && image.format() != QImage::Format_Indexed8) return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                         : QImage::Format_RGB32);
}

void keepResolution(QImage& out, const QImage& from) {
    out.setDotsPerMeterX(from.dotsPerMeterX());
    out.setDotsPerMeterY(from.dotsPerMeterY());
}

// ---- skew estimation ----

// Bottom edges of ink (an ink pixel with no ink below) of a reduced gray copy: text baselines
// and ruled lines give sharp peaks in their projection profile.
struct EdgePoints {
    std::vector<float> x;
    std::vector<float> y;
    int height = 0;
    int width = 0;
};

EdgePoints edgePoints(const QImage& image) {
    constexpr int kWorkWidth = 1600;
    const double factor = std::max(1.0, double(image.width()) / kWorkWidth);
    const QSize work(std::max(1, int(image.width() / factor)),
                     std::max(1, int(image.height() / factor)));
    QImage gray;
    if (isBitonal(image))
        gray = grayDownscale(image, work);
    else
        gray = image.convertToFormat(QImage::Format_Grayscale8)
                   .scaled(work, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EdgePoints pts;
    pts.width = gray.width();
    pts.height = gray.height();
    constexpr int kInk = 200; // an area at least ~20 % covered counts as ink
    const float cx = gray.width() / 2.0f;
    for (int y = 0; y + 1 < gray.height(); ++y) {
        const uchar* row = gray.constScanLine(y);
        const uchar* below = gray.constScanLine(y + 1);
        for (int x = 0; x < gray.width(); ++x) {
            if (row[x] < kInk && below[x] >= kInk) {
                pts.x.push_back(float(x) - cx);
                pts.y.push_back(float(y));
            }
        }
    }
    return pts;
}

// Sum of squared bin counts of the profile along lines at `degrees`: largest when the lines
// of the page are parallel to the projection.
double profileScore(const EdgePoints& pts, double degrees, std::vector<int>& bins) {
    const double t = std::tan(degrees * kPi / 180.0);
    const double reach = std::abs(t) * pts.width / 2.0 + 2;
    const int offset = int(std::ceil(reach));
    bins.assign(std::size_t(pts.height + 2 * offset + 2), 0);
    for (std::size_t i = 0; i < pts.x.size(); ++i) {
        const int bin = int(std::lround(pts.y[i] - pts.x[i] * t)) + offset;
        ++bins[std::size_t(bin)];
    }
    double score = 0;
    for (int c : bins)
        score += double(c) * c;
    return score;
}

double searchBest(const EdgePoints& pts, double from, double to, double step) {
    std::vector<int> bins;
    double best = 0;
    double bestScore = -1;
    const int steps = int(std::lround((to - from) / step));
    for (int i = 0; i <= steps; ++i) {
        const double a = from + i * step;
        const double s = profileScore(pts, a, bins);
        // Ties go to the angle nearest to zero: an unstructured page is not rotated.
        if (s > bestScore || (s == bestScore && std::abs(a) < std::abs(best))) {
            bestScore = s;
            best = a;
        }
    }
    return best;
}

// ---- median ----

inline void sort2(std::uint8_t& a, std::uint8_t& b) {
    if (a > b) std::swap(a, b);
}

// Median of nine values (the classic exchange network).
std::uint8_t median9(std::uint8_t p[9]) {
    sort2(p[1], p[2]);
    sort2(p[4], p[5]);
    sort2(p[7], p[8]);
    sort2(p[0], p[1]);
    sort2(p[3], p[4]);
    sort2(p[6], p[7]);
    sort2(p[1], p[2]);
    sort2(p[4], p[5]);
    sort2(p[7], p[8]);
    sort2(p[0], p[3]);
    sort2(p[5], p[8]);
    sort2(p[4], p[7]);
    sort2(p[3], p[6]);
    sort2(p[1], p[4]);
    sort2(p[2], p[5]);
    sort2(p[4], p[7]);
    sort2(p[4], p[2]);
    sort2(p[6], p[4]);
    sort2(p[4], p[2]);
    return p[4];
}

QImage medianFilter(const QImage& source) {
    QImage image = asByteFormat(source);
    const int bpp = image.depth() / 8;
    QImage out(image.size(), image.format());
    keepResolution(out, image);
    const int w = image.width();
    const int h = image.height();
    std::uint8_t window[9];
    for (int y = 0; y < h; ++y) {
        const uchar* rows[3] = {image.constScanLine(std::max(0, y - 1)), image.constScanLine(y),
                                image.constScanLine(std::min(h - 1, y + 1))};
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const int xs[3] = {std::max(0, x - 1), x, std::min(w - 1, x + 1)};
            for (int c = 0; c < bpp; ++c) {
                int k = 0;
                for (const uchar* r : rows)
                    for (int xi : xs)
                        window[k++] = r[xi * bpp + c];
                dst[x * bpp + c] = median9(window);
            }
        }
    }
    return out.format() == source.format() ? out : out.convertToFormat(source.format());
}

// Removes connected groups of one or two pixels of value `v` (8-connected) that have no
// other neighbour of that value, judging on `in` and writing into `out`.
void removeSmallGroups(const BitMatrix& in, BitMatrix& out, std::uint8_t v) {
    const int w = in.width;
    const int h = in.height;
    // Outside the page counts as white.
    auto value = [&](int x, int y) -> std::uint8_t {
        return (x < 0 || y < 0 || x >= w || y >= h) ? 0 : in.at(x, y);
    };
    auto sameNeighbours = [&](int x, int y, int skipX, int skipY, int* nx, int* ny) {
        int count = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                if ((dx == 0 && dy == 0) || (x + dx == skipX && y + dy == skipY)) continue;
                if (value(x + dx, y + dy) == v) {
                    ++count;
                    if (nx) {
                        *nx = x + dx;
                        *ny = y + dy;
                    }
                }
            }
        return count;
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (in.at(x, y) != v) continue;
            int qx = -1;
            int qy = -1;
            const int n = sameNeighbours(x, y, -10, -10, &qx, &qy);
            if (n == 0 || (n == 1 && sameNeighbours(qx, qy, x, y, nullptr, nullptr) == 0))
                out.at(x, y) = std::uint8_t(1 - v);
        }
    }
}

} // namespace

bool isBitonal(const QImage& image) {
    return image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB;
}

QImage toBitonal(const QImage& image, int threshold) {
    if (image.isNull()) return {};
    BitMatrix m;
    if (isBitonal(image)) {
        m = unpack(image);
    } else {
        const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
        m.width = gray.width();
        m.height = gray.height();
        m.bits.resize(std::size_t(m.width) * m.height);
        for (int y = 0; y < m.height; ++y) {
            const uchar* row = gray.constScanLine(y);
            for (int x = 0; x < m.width; ++x)
                m.at(x, y) = row[x] < threshold ? 1 : 0;
        }
    }
    return pack(m, image);
}

QImage invert(const QImage& image) {
    if (image.isNull()) return image;
    // Indexed pages would have their colour numbers inverted, not their colours.
    QImage out = image.format() == QImage::Format_Indexed8 ? asByteFormat(image) : image.copy();
    out.invertPixels(QImage::InvertRgb);
    return out;
}

double estimateSkew(const QImage& image, double maxDegrees) {
    if (image.isNull()) return 0;
    const EdgePoints pts = edgePoints(image);
    if (pts.x.size() < 20) return 0;
    double best = searchBest(pts, -maxDegrees, maxDegrees, 0.25);
    best = searchBest(pts, best - 0.3, best + 0.3, 0.05);
    best = searchBest(pts, best - 0.06, best + 0.06, 0.01);
    return std::abs(best) < 1e-9 ? 0.0 : best;
}

QImage rotateByAngle(const QImage& image, double degrees) {
    if (image.isNull() || degrees == 0) return image;
    const int w = image.width();
    const int h = image.height();
    const double cx = (w - 1) / 2.0;
    const double cy = (h - 1) / 2.0;
    if (isBitonal(image)) {
        // Nearest neighbour by inverse mapping: bitonal pages stay crisp.
        const double a = degrees * kPi / 180.0;
        const double c = std::cos(a);
        const double s = std::sin(a);
        const BitMatrix in = unpack(image);
        BitMatrix out{w, h, std::vector<std::uint8_t>(std::size_t(w) * h, 0)};
        for (int y = 0; y < h; ++y) {
            const double dy = y - cy;
            // Source of the target (x, y): rotate back by -a about the centre.
            double sx = c * (0 - cx) + s * dy + cx;
            double sy = -s * (0 - cx) + c * dy + cy;
            for (int x = 0; x < w; ++x, sx += c, sy -= s) {
                const int ix = int(std::lround(sx));
                const int iy = int(std::lround(sy));
                if (ix >= 0 && iy >= 0 && ix < w && iy < h) out.at(x, y) = in.at(ix, iy);
            }
        }
        return pack(out, image);
    }
    QImage canvas(image.size(), image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                        : QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.translate(w / 2.0, h / 2.0);
        p.rotate(degrees);
        p.translate(-w / 2.0, -h / 2.0);
        p.drawImage(0, 0, image);
    }
    QImage out = canvas.convertToFormat(
        image.format() == QImage::Format_Indexed8 ? QImage::Format_RGB32 : image.format());
    keepResolution(out, image);
    return out;
}

QImage deskew(const QImage& image, double minDegrees, double* angle) {
    const double skew = estimateSkew(image);
    if (angle) *angle = skew;
    if (std::abs(skew) <= minDegrees || skew == 0) return image;
    return rotateByAngle(image, -skew);
}

QImage despeckle(const QImage& image) {
    if (image.isNull()) return image;
    if (!isBitonal(image)) return medianFilter(image);
    const BitMatrix in = unpack(image);
    BitMatrix out = in;
    removeSmallGroups(in, out, 1); // black specks
    removeSmallGroups(in, out, 0); // white pinholes
    return pack(out, image);
}

void clearToWhite(QImage& image, const QRect& rect) {
    const QRect r = rect & image.rect();
    if (r.isEmpty()) return;
    if (isBitonal(image)) {
        const int white = 1 - blackBit(image);
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                image.setPixel(x, y, uint(white));
        return;
    }
    if (image.format() == QImage::Format_Indexed8) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    const int bpp = image.depth() / 8;
    QImage white(1, 1, image.format());
    white.fill(Qt::white);
    const uchar* px = white.constScanLine(0);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = r.left(); x <= r.right(); ++x)
            std::memcpy(line + x * bpp, px, bpp);
    }
}

void pasteInto(QImage& page, const QImage& piece, const QPoint& pos) {
    const QRect target = QRect(pos, piece.size()) & page.rect();
    if (target.isEmpty()) return;
    if (isBitonal(page)) {
        const BitMatrix bits = unpack(toBitonal(piece));
        const int black = blackBit(page);
        for (int y = target.top(); y <= target.bottom(); ++y)
            for (int x = target.left(); x <= target.right(); ++x) {
                const bool ink = bits.at(x - pos.x(), y - pos.y()) != 0;
                page.setPixel(x, y, uint(ink ? black : 1 - black));
            }
        return;
    }
    if (page.format() == QImage::Format_Indexed8) page = page.convertToFormat(QImage::Format_RGB32);
    QImage src = piece.convertToFormat(page.format());
    if (!page.hasAlphaChannel() && page.depth() >= 24 && piece.hasAlphaChannel()) {
        // Transparent parts of a pasted picture show white, as on paper.
        QImage flat(piece.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, piece);
        src = flat.convertToFormat(page.format());
    }
    const int bpp = page.depth() / 8;
    for (int y = target.top(); y <= target.bottom(); ++y)
        std::memcpy(page.scanLine(y) + target.left() * bpp,
                    src.constScanLine(y - pos.y()) + (target.left() - pos.x()) * bpp,
                    std::size_t(target.width()) * bpp);
}

QImage renderRegion(const QImage& page, double scale, const QRect& target, bool grayScaling) {
    return renderRegion(page, scale, target, grayScaling, QImage());
}

QImage renderRegion(const QImage& page, double scale, const QRect& target, bool grayScaling,
                    QImage reuse) {
    if (page.isNull() || scale <= 0 || target.isEmpty()) return {};
    const QRectF source(target.x() / scale, target.y() / scale, target.width() / scale,
                        target.height() / scale);
    const QRect piece = source.toAlignedRect() & page.rect();
    const bool reusable = reuse.size() == target.size() &&
                          reuse.format() == QImage::Format_RGB32 && reuse.isDetached();
    QImage out = reusable ? std::move(reuse) : QImage(target.size(), QImage::Format_RGB32);
    const bool fullSizeBitonal = isBitonal(page) && std::abs(scale - 1.0) < 1e-12;
    // The part beyond the page's edge shows white (all of it unless every pixel is copied).
    if (!fullSizeBitonal || piece != target) out.fill(Qt::white);
    if (piece.isEmpty()) return out;
    if (fullSizeBitonal) {
        // At full size each pixel is its table colour: looked up eight pixels at a time.
        const QRgb colour[2] = {(page.colorCount() > 0 ? page.color(0) : qRgb(255, 255, 255)) | 0xff000000u,
                                (page.colorCount() > 1 ? page.color(1) : qRgb(0, 0, 0)) | 0xff000000u};
        const bool msbFirst = page.format() == QImage::Format_Mono;
        for (int y = piece.top(); y <= piece.bottom(); ++y) {
            const uchar* src = page.constScanLine(y);
            auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y - target.y())) + (piece.x() - target.x());
            int x = piece.left();
            const int end = piece.right() + 1;
            for (; x < end && (x & 7); ++x)
                *dst++ = colour[(src[x >> 3] >> (msbFirst ? 7 - (x & 7) : x & 7)) & 1];
            for (; x + 8 <= end; x += 8) {
                const uint byte = src[x >> 3];
                for (int b = 0; b < 8; ++b)
                    *dst++ = colour[(byte >> (msbFirst ? 7 - b : b)) & 1];
            }
            for (; x < end; ++x)
                *dst++ = colour[(src[x >> 3] >> (msbFirst ? 7 - (x & 7) : x & 7)) & 1];
        }
        return out;
    }
    QPainter p(&out);
    if (isBitonal(page) && grayScaling && scale < 1.0) {
        // Area-averaged into gray; the piece starts where its first pixel falls.
        const QSize reduced(std::max(1, int(std::lround(piece.width() * scale))),
                            std::max(1, int(std::lround(piece.height() * scale))));
        p.drawImage(QPoint(int(std::lround(piece.x() * scale)) - target.x(),
                           int(std::lround(piece.y() * scale)) - target.y()),
                    grayDownscale(page.copy(piece), reduced));
        return out;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform, !isBitonal(page));
    p.translate(-target.x(), -target.y());
    p.scale(scale, scale);
    p.drawImage(piece.topLeft(), page.copy(piece));
    return out;
}

} // namespace imaging::ops
