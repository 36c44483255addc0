#pragma once
// Telling nearly blank pages (the blank backs a duplex scan produces) from pages with
// anything written on them. Ink is measured on a grid of 4 x 4 pixel cells; marks that are
// no content are left out: specks (smaller than 1/50 inch both ways), the part within 3/4
// inch of the edge of marks that touch the page's edge (scanner shadows along an edge, the
// dark border of a skewed sheet; a dark page or a picture running off the edge keeps the
// rest) and punch holes (solid round marks 0.15 to 0.45 inch across). What remains is the
// page's ink.
#include <QImage>

namespace imaging {

struct BlankPageResult {
    double inkPercent = 0; // ink left after the exclusions, percent of the page's pixels
    bool blank = false;    // inkPercent below the threshold
};

// Default threshold in percent of the page ([Scan] BlankPageInk): a word of typed text on a
// 300 dpi Letter page is above it.
inline constexpr double kDefaultBlankPageInk = 0.005;

// Measures `page` (1-bit, gray or colour; a pixel is ink when darker than mid-gray).
// `dpi` sizes the exclusions (0: taken as 300). A null image is blank.
BlankPageResult measureBlankPage(const QImage& page, double dpi,
                                 double thresholdPercent = kDefaultBlankPageInk);

} // namespace imaging
