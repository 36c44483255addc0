#include "reports/ReportRenderer.h"

#include "reports/ReportDefinition.h"

#include <QFont>
#include <QLocale>
#include <QPen>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace reports {

namespace {

QFont font(double points, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace

struct ReportRenderer::Layout {
    double dpiX = 72, dpiY = 72;
    QFont title = font(14, true), subtitle = font(10), heading = font(9, true), body = font(9),
          bold = font(9, true), footer = font(8);
    double width = 0, height = 0; // the paintable area
    double line = 0;              // one row
    double pad = 0;               // space before a cell's text
    std::vector<double> x, w;     // the columns
    double firstBodyTop = 0, bodyTop = 0, bodyBottom = 0;
    struct Page {
        size_t firstRow = 0, rows = 0;
        bool totals = false;
    };
    std::vector<Page> pages;

    double px(double points) const { return points * dpiY / 72.0; }
};

ReportRenderer::ReportRenderer(ReportData data) : data_(std::move(data)) {}

ReportRenderer::Layout ReportRenderer::layout(QPagedPaintDevice& device) const {
    Layout l;
    l.dpiX = device.logicalDpiX();
    l.dpiY = device.logicalDpiY();
    l.width = device.width();
    l.height = device.height();
    const QFontMetricsF body(l.body, &device);
    l.line = std::ceil(body.height() * 1.35);
    l.pad = l.px(3);

    // Column widths in twips, shrunk together when they are wider than the page.
    double total = 0;
    for (const auto& c : data_.columns) total += c.widthTwips * l.dpiX / 1440.0;
    const double scale = total > l.width && total > 0 ? l.width / total : 1.0;
    double x = 0;
    for (const auto& c : data_.columns) {
        l.x.push_back(x);
        l.w.push_back(c.widthTwips * l.dpiX / 1440.0 * scale);
        x += l.w.back();
    }

    const double headingRow = l.line + l.px(4);
    double top = QFontMetricsF(l.title, &device).height() + l.px(6);
    top += data_.subtitles.size() * QFontMetricsF(l.subtitle, &device).height();
    l.firstBodyTop = top + l.px(10) + headingRow;
    l.bodyTop = headingRow;
    l.bodyBottom = l.height - QFontMetricsF(l.footer, &device).height() - l.px(12);

    const auto fits = [&](double from) {
        return std::max<size_t>(1, size_t(std::floor((l.bodyBottom - from) / l.line)));
    };
    // Totals take a gap and one line each; they follow the last row on its page when they
    // fit there.
    const size_t totalLines = data_.totals.empty() ? 0 : data_.totals.size() + 1;
    const size_t rows = std::max<size_t>(data_.rows.size(), 1); // "no rows" takes a line
    size_t next = 0;
    while (next < rows) {
        const size_t room = fits(l.pages.empty() ? l.firstBodyTop : l.bodyTop);
        Layout::Page p{next, std::min(room, rows - next), false};
        next += p.rows;
        if (next >= rows && p.rows + totalLines <= room) p.totals = true;
        l.pages.push_back(p);
    }
    if (totalLines > 0 && !l.pages.back().totals) l.pages.push_back({rows, 0, true});
    if (data_.rows.empty()) l.pages.front().rows = 1;
    return l;
}

int ReportRenderer::pageCount(QPagedPaintDevice& device) const {
    return int(layout(device).pages.size());
}

void ReportRenderer::render(QPagedPaintDevice& device, int firstPage, int lastPage) const {
    const Layout l = layout(device);
    const int pages = int(l.pages.size());
    if (lastPage <= 0 || lastPage > pages) lastPage = pages;
    firstPage = std::max(1, firstPage);
    QPainter painter;
    if (!painter.begin(&device))
        throw ReportError("The report cannot be printed: the printer or the file cannot be opened.");
    for (int page = firstPage; page <= lastPage; ++page) {
        if (page > firstPage && !device.newPage()) {
            painter.end();
            throw ReportError("The report cannot be printed: the printer refused a new page.");
        }
        paintPage(painter, l, page);
    }
    if (!painter.end()) throw ReportError("The report could not be finished on the printer or file.");
}

void ReportRenderer::paintPage(QPainter& p, const Layout& l, int page) const {
    const Layout::Page& pg = l.pages[size_t(page - 1)];
    const int flagsV = Qt::AlignVCenter | Qt::TextSingleLine;
    const auto cell = [&](int column, double y, const QString& text, const QFont& f,
                          Qt::Alignment a) {
        p.setFont(f);
        const QRectF r(l.x[size_t(column)] + l.pad, y, l.w[size_t(column)] - 2 * l.pad, l.line);
        const QString shown = QFontMetricsF(f, p.device()).elidedText(text, Qt::ElideRight, r.width());
        p.drawText(r, int(a) | flagsV, shown);
    };
    const double right = l.x.empty() ? l.width : l.x.back() + l.w.back();
    QPen rule(Qt::black);
    rule.setWidthF(std::max(1.0, l.px(0.6)));
    p.setPen(Qt::black);

    double y = 0;
    if (page == 1) {
        p.setFont(l.title);
        const double th = QFontMetricsF(l.title, p.device()).height();
        p.drawText(QRectF(0, 0, l.width, th), Qt::AlignHCenter | flagsV, data_.title);
        y = th + l.px(6);
        p.setFont(l.subtitle);
        const double sh = QFontMetricsF(l.subtitle, p.device()).height();
        for (const QString& s : data_.subtitles) {
            p.drawText(QRectF(0, y, l.width, sh), Qt::AlignHCenter | flagsV, s);
            y += sh;
        }
        y += l.px(10);
    }
    // Column headings with a rule under them.
    for (size_t c = 0; c < data_.columns.size(); ++c)
        cell(int(c), y, data_.columns[c].heading, l.heading, data_.columns[c].alignment);
    y += l.line + l.px(1);
    p.setPen(rule);
    p.drawLine(QPointF(0, y), QPointF(right, y));
    p.setPen(Qt::black);
    y += l.px(3);

    if (data_.rows.empty() && pg.rows > 0) {
        p.setFont(l.body);
        p.drawText(QRectF(l.pad, y, right - 2 * l.pad, l.line), Qt::AlignLeft | flagsV,
                   "No rows to report.");
        y += l.line;
    }
    for (size_t r = pg.firstRow; r < pg.firstRow + pg.rows && r < data_.rows.size(); ++r) {
        const QStringList& row = data_.rows[r];
        for (size_t c = 0; c < data_.columns.size(); ++c)
            cell(int(c), y, row.value(qsizetype(c)), l.body, data_.columns[c].alignment);
        y += l.line;
    }
    if (pg.totals) {
        y += l.line * 0.3;
        p.setPen(rule);
        p.drawLine(QPointF(0, y), QPointF(right, y));
        p.setPen(Qt::black);
        y += l.line * 0.2;
        for (const ReportData::Total& t : data_.totals) {
            p.setFont(l.bold);
            const double labelRight = t.column > 0 ? l.x[size_t(t.column)] : l.width / 2;
            p.drawText(QRectF(l.pad, y, labelRight - 2 * l.pad, l.line), Qt::AlignLeft | flagsV,
                       t.label);
            cell(t.column, y, t.value, l.bold, data_.columns[size_t(t.column)].alignment);
            y += l.line;
        }
    }

    // The foot of the page.
    p.setFont(l.footer);
    const double fh = QFontMetricsF(l.footer, p.device()).height();
    const QRectF foot(0, l.height - fh, l.width, fh);
    p.drawText(foot, Qt::AlignLeft | flagsV,
               "Printed " + QLocale::c().toString(data_.printed, "MM/dd/yyyy h:mm AP"));
    p.drawText(foot, Qt::AlignRight | flagsV,
               QString("Page %1 of %2").arg(page).arg(l.pages.size()));
}

} // namespace reports
