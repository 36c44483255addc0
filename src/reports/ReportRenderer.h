#pragma once
// Paints a report's pages: the title and the lines under it, the column headings (again on
// every page), one line per row, the totals after the last row, and on every page the date
// printed and "Page n of m". Lays the report out for the device it paints on (a printer, a
// PDF writer, the print preview), in the device's own resolution and page size, so the same
// report paints alike everywhere and can be painted without a window.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace reports {

// A report with its rows, ready to paint.
struct ReportData {
    struct Column {
        QString heading;
        int widthTwips = 1440;
        Qt::Alignment alignment = Qt::AlignLeft;
    };
    struct Total {
        QString label;
        int column = 0; // the column whose sum `value` is
        QString value;
    };

    QString title;
    QStringList subtitles;
    std::vector<Column> columns;
    std::vector<QStringList> rows; // one text per column
    std::vector<Total> totals;
    QDateTime printed;
};

class ReportRenderer {
public:
    explicit ReportRenderer(ReportData data);

    const ReportData& data() const { return data_; }

    // The number of pages the report takes on `device`.
    int pageCount(QPagedPaintDevice& device) const;

    // Paints pages firstPage..lastPage (1-based; 0 for lastPage means the last page) onto
    // `device`, starting a new page between them. Raises ReportError when the device cannot
    // be painted on (a file that cannot be written, a printer that fails).
    void render(QPagedPaintDevice& device, int firstPage = 1, int lastPage = 0) const;

private:
    struct Layout;
    Layout layout(QPagedPaintDevice& device) const;
    void paintPage(QPainter& p, const Layout& l, int page) const;

    ReportData data_;
};

} // namespace reports
