#include "imaging/annotations/Annotation.h"

#include "imaging/pixels/ImagingError.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>

namespace imaging {

bool Annotation::operator==(const Annotation& o) const {
    return kind == o.kind && bounds == o.bounds && points == o.points &&
           lineColor.rgba() == o.lineColor.rgba() && fillColor.rgba() == o.fillColor.rgba() &&
           lineWidth == o.lineWidth && style == o.style && fontName == o.fontName &&
           fontSize == o.fontSize && fontBold == o.fontBold && text == o.text && image == o.image &&
           group == o.group && rotation == o.rotation;
}

// ---------------------------------------------------------------------------------------
// Serialised form (docs/annotation-format.md)

namespace {

constexpr auto kFormatName = "docuvane-annotations";
constexpr int kFormatVersion = 1;

struct KindName {
    AnnotationKind kind;
    const char* name;
};
constexpr KindName kKindNames[] = {
    {AnnotationKind::FreehandLine, "freehand-line"},
    {AnnotationKind::Highlighter, "highlighter"},
    {AnnotationKind::StraightLine, "straight-line"},
    {AnnotationKind::HollowRectangle, "hollow-rectangle"},
    {AnnotationKind::FilledRectangle, "filled-rectangle"},
    {AnnotationKind::TypedText, "typed-text"},
    {AnnotationKind::AttachANote, "attach-a-note"},
    {AnnotationKind::TextFromFile, "text-from-file"},
    {AnnotationKind::Hyperlink, "hyperlink"},
    {AnnotationKind::TextStamp, "text-stamp"},
    {AnnotationKind::ImageStamp, "image-stamp"},
};

QString kindName(AnnotationKind k) {
    for (const auto& kn : kKindNames)
        if (kn.kind == k) return QString::fromLatin1(kn.name);
    return QString();
}

QString colorText(const QColor& c) {
    return QStringLiteral("#%1").arg(c.rgba(), 8, 16, QLatin1Char('0'));
}

QByteArray imagePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.write(image);
    return bytes;
}

[[noreturn]] void bad(const QString& what) {
    throw Error(kErrBadFile, QStringLiteral("Annotation data: %1").arg(what));
}

// Reads `key` of `o`, which must have JSON type `type` when present.
QJsonValue member(const QJsonObject& o, const char* key, QJsonValue::Type type, bool required) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined()) {
        if (required) bad(QStringLiteral("\"%1\" is missing").arg(QLatin1String(key)));
        return v;
    }
    if (v.type() != type) bad(QStringLiteral("\"%1\" has the wrong type").arg(QLatin1String(key)));
    return v;
}

int integer(const QJsonValue& v, double lo, double hi, const char* what) {
    const double d = v.toDouble();
    if (!v.isDouble() || !std::isfinite(d) || d != std::floor(d) || d < lo || d > hi)
        bad(QStringLiteral("%1 is not a whole number in range").arg(QLatin1String(what)));
    return int(d);
}

QString text(const QJsonObject& o, const char* key, int maxLength) {
    const QJsonValue v = member(o, key, QJsonValue::String, false);
    if (v.isUndefined()) return QString();
    const QString s = v.toString();
    if (s.size() > maxLength) bad(QStringLiteral("\"%1\" is too long").arg(QLatin1String(key)));
    return s;
}

QColor color(const QJsonObject& o, const char* key, QColor fallback) {
    const QJsonValue v = member(o, key, QJsonValue::String, false);
    if (v.isUndefined()) return fallback;
    const QString s = v.toString();
    bool ok = false;
    const uint rgba =
        s.size() == 9 && s.startsWith(QLatin1Char('#')) ? s.mid(1).toUInt(&ok, 16) : 0;
    if (!ok) bad(QStringLiteral("\"%1\" is not a colour").arg(QLatin1String(key)));
    return QColor::fromRgba(rgba);
}

Annotation readOne(const QJsonObject& o, qint64& pointBudget) {
    Annotation a;
    const QString kind = member(o, "kind", QJsonValue::String, true).toString();
    bool known = false;
    for (const auto& kn : kKindNames)
        if (kind == QLatin1String(kn.name)) {
            a.kind = kn.kind;
            known = true;
        }
    if (!known) bad(QStringLiteral("unknown kind \"%1\"").arg(kind.left(40)));

    const QJsonArray b = member(o, "bounds", QJsonValue::Array, true).toArray();
    if (b.size() != 4) bad(QStringLiteral("\"bounds\" needs four numbers"));
    const double lim = kMaxAnnotationCoordinate;
    a.bounds = QRect(integer(b[0], -lim, lim, "bounds"), integer(b[1], -lim, lim, "bounds"),
                     integer(b[2], 0, lim, "bounds"), integer(b[3], 0, lim, "bounds"));

    const QJsonValue pv = member(o, "points", QJsonValue::Array, false);
    if (!pv.isUndefined()) {
        const QJsonArray pts = pv.toArray();
        if (pts.size() % 2 != 0) bad(QStringLiteral("\"points\" needs pairs of numbers"));
        if (pts.size() / 2 > kMaxAnnotationPoints || (pointBudget -= pts.size() / 2) < 0)
            bad(QStringLiteral("too many points"));
        a.points.reserve(pts.size() / 2);
        for (qsizetype i = 0; i < pts.size(); i += 2)
            a.points << QPoint(integer(pts[i], -lim, lim, "points"),
                               integer(pts[i + 1], -lim, lim, "points"));
    }
    a.lineColor = color(o, "lineColor", a.lineColor);
    a.fillColor = color(o, "fillColor", a.fillColor);
    const QJsonValue lw = member(o, "lineWidth", QJsonValue::Double, false);
    if (!lw.isUndefined()) a.lineWidth = integer(lw, 0, 1000, "lineWidth");
    const QJsonValue st = member(o, "style", QJsonValue::Double, false);
    if (!st.isUndefined()) a.style = integer(st, 0, 1, "style");
    const QJsonValue rot = member(o, "rotation", QJsonValue::Double, false);
    if (!rot.isUndefined()) a.rotation = integer(rot, 0, 3, "rotation");

    const QJsonValue fv = member(o, "font", QJsonValue::Object, false);
    if (!fv.isUndefined()) {
        const QJsonObject f = fv.toObject();
        a.fontName = text(f, "name", 256);
        const QJsonValue size = member(f, "size", QJsonValue::Double, false);
        if (!size.isUndefined()) {
            const double s = size.toDouble();
            if (!(s > 0 && s <= 1000)) bad(QStringLiteral("font size out of range"));
            a.fontSize = s;
        }
        const QJsonValue bold = member(f, "bold", QJsonValue::Bool, false);
        a.fontBold = bold.toBool(false);
    }
    a.text = text(o, "text", kMaxAnnotationText);
    a.group = text(o, "group", 256);

    const QJsonValue iv = member(o, "image", QJsonValue::String, false);
    if (!iv.isUndefined()) {
        const QByteArray b64 = iv.toString().toLatin1();
        if (b64.size() > kMaxAnnotationImageBytes * 4 / 3 + 4)
            bad(QStringLiteral("stamp image too large"));
        const auto decoded =
            QByteArray::fromBase64Encoding(b64, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) bad(QStringLiteral("stamp image is not base64"));
        QByteArray png = *decoded;
        QBuffer buffer(&png);
        QImageReader reader(&buffer, "png");
        const QSize size = reader.size();
        if (!size.isValid() || size.width() > kMaxAnnotationImageSide ||
            size.height() > kMaxAnnotationImageSide)
            bad(QStringLiteral("stamp image has an invalid size"));
        a.image = reader.read();
        if (a.image.isNull()) bad(QStringLiteral("stamp image cannot be decoded"));
    }
    return a;
}

} // namespace

QByteArray serializeAnnotations(const AnnotationList& list) {
    if (list.empty()) return QByteArray();
    QJsonArray items;
    for (const Annotation& a : list) {
        QJsonObject o;
        o.insert(QStringLiteral("kind"), kindName(a.kind));
        o.insert(QStringLiteral("bounds"),
                 QJsonArray{a.bounds.x(), a.bounds.y(), std::max(0, a.bounds.width()),
                            std::max(0, a.bounds.height())});
        if (!a.points.isEmpty()) {
            QJsonArray pts;
            for (const QPoint& p : a.points) {
                pts.append(p.x());
                pts.append(p.y());
            }
            o.insert(QStringLiteral("points"), pts);
        }
        o.insert(QStringLiteral("lineColor"), colorText(a.lineColor));
        o.insert(QStringLiteral("fillColor"), colorText(a.fillColor));
        o.insert(QStringLiteral("lineWidth"), a.lineWidth);
        o.insert(QStringLiteral("style"), a.style);
        if (a.rotation) o.insert(QStringLiteral("rotation"), a.rotation);
        if (!a.fontName.isEmpty() || !a.text.isEmpty() || a.fontSize != Annotation().fontSize ||
            a.fontBold)
            o.insert(QStringLiteral("font"), QJsonObject{{QStringLiteral("name"), a.fontName},
                                                         {QStringLiteral("size"), a.fontSize},
                                                         {QStringLiteral("bold"), a.fontBold}});
        if (!a.text.isEmpty()) o.insert(QStringLiteral("text"), a.text);
        if (!a.group.isEmpty()) o.insert(QStringLiteral("group"), a.group);
        if (!a.image.isNull())
            o.insert(QStringLiteral("image"), QString::fromLatin1(imagePng(a.image).toBase64()));
        items.append(o);
    }
    QJsonObject root{{QStringLiteral("format"), QLatin1String(kFormatName)},
                     {QStringLiteral("version"), kFormatVersion},
                     {QStringLiteral("annotations"), items}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

AnnotationList parseAnnotations(const QByteArray& data) {
    if (data.isEmpty()) return {};
    if (data.size() > kMaxAnnotationBytes)
        bad(QStringLiteral("%1 bytes is more than allowed").arg(data.size()));
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        bad(QStringLiteral("not a valid document (%1)").arg(error.errorString()));
    const QJsonObject root = doc.object();
    if (member(root, "format", QJsonValue::String, true).toString() != QLatin1String(kFormatName))
        bad(QStringLiteral("unknown format"));
    const int version =
        integer(member(root, "version", QJsonValue::Double, true), 0, 1e9, "version");
    if (version != kFormatVersion) bad(QStringLiteral("version %1 is not supported").arg(version));
    const QJsonArray items = member(root, "annotations", QJsonValue::Array, true).toArray();
    if (items.size() > kMaxAnnotationsPerPage) bad(QStringLiteral("too many annotations"));
    AnnotationList list;
    list.reserve(size_t(items.size()));
    qint64 pointBudget = kMaxAnnotationPointsPerPage;
    for (const QJsonValue& v : items) {
        if (!v.isObject()) bad(QStringLiteral("an annotation is not an object"));
        list.push_back(readOne(v.toObject(), pointBudget));
    }
    return list;
}

// ---------------------------------------------------------------------------------------
// Moving annotations with their page

namespace {

bool isLine(AnnotationKind k) {
    return k == AnnotationKind::FreehandLine || k == AnnotationKind::StraightLine ||
           (k == AnnotationKind::Highlighter);
}

template <class PointMap, class RectMap>
AnnotationList transformList(const AnnotationList& list, PointMap mapPoint, RectMap mapRect,
                             int (*mapRotation)(int)) {
    AnnotationList out = list;
    for (Annotation& a : out) {
        for (QPoint& p : a.points)
            p = mapPoint(p);
        if (isLine(a.kind) && !a.points.isEmpty())
            a.bounds = a.points.boundingRect();
        else
            a.bounds = mapRect(a.bounds);
        a.rotation = mapRotation(a.rotation);
    }
    return out;
}

} // namespace

AnnotationList rotateAnnotations(const AnnotationList& list, int quarterTurns, QSize pageSize) {
    AnnotationList out = list;
    QSize size = pageSize;
    const int turns = ((quarterTurns % 4) + 4) % 4;
    for (int t = 0; t < turns; ++t) {
        const int h = size.height();
        // A clockwise quarter turn: pixel (x, y) goes to (h - 1 - y, x).
        out = transformList(
            out, [h](QPoint p) { return QPoint(h - 1 - p.y(), p.x()); },
            [h](QRect r) { return QRect(h - (r.y() + r.height()), r.x(), r.height(), r.width()); },
            [](int r) { return (r + 1) % 4; });
        size.transpose();
    }
    return out;
}

AnnotationList flipAnnotations(const AnnotationList& list, QSize pageSize) {
    const int h = pageSize.height();
    // Text stays readable: a top-to-bottom flip reverses the direction of turned text.
    return transformList(
        list, [h](QPoint p) { return QPoint(p.x(), h - 1 - p.y()); },
        [h](QRect r) { return QRect(r.x(), h - (r.y() + r.height()), r.width(), r.height()); },
        [](int r) { return (4 - r) % 4; });
}

} // namespace imaging
