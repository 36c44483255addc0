#pragma once
// Code 39 barcodes for text set in the "Free 3 of 9" barcode font. Workstations rarely have
// that font installed; the engine then draws the symbol itself (zxing-cpp encodes it), so
// a barcode typed as an annotation is still a barcode a reader can scan.
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QStringList>
#include <QString>
#include <vector>

class QPainter;

namespace imaging {

inline constexpr const char* kCode39FontName = "Free 3 of 9";

// True for the barcode font's name (case-insensitive).
bool isCode39Font(const QString& fontName);
// True when a font of that name is installed (then it is simply used).
bool code39FontInstalled();

// Bars and spaces of the Code 39 symbol for `text`, one entry per module, true = bar, start
// and stop characters included. Text framed with '*' (as typed for the font) loses the
// frame; lower-case letters and other ASCII characters use the extended set. Raises
// Error(kErrBadArgument) for empty or non-ASCII text.
std::vector<bool> code39Modules(const QString& text);

// Fills `box` with the bars: each module a whole number of pixels wide (as wide as fits),
// the symbol centred.
void paintModules(QPainter& painter, const QRectF& box, const std::vector<bool>& modules,
                  const QColor& color);

// Every Code 39 symbol found in `image` (1-bit, gray or colour; read as it is, at its own
// resolution: callers that know how large their symbols are shrink the page first), each as
// the symbol's own characters (no check character, no full-ASCII decoding: "+A" stays "+A").
// Rows are read across the whole image, in both directions; a symbol must be crossed by two
// rows reading the same. Safe on any thread.
QStringList readCode39(const QImage& image);

} // namespace imaging
