// The report renderer without a window: a long report painted into a PDF file and read back
// with poppler, page by page.
#include "PdfText.h"
#include "reports/ReportRenderer.h"
#include "support/TempDir.h"

#include <QPdfWriter>
#include <gtest/gtest.h>

using reportstest::pdfColumns;
using reportstest::pdfPages;
using reportstest::pdfText;

namespace {

reports::ReportData employees(int count) {
    reports::ReportData d;
    d.title = "Scanning Accomplishment Report";
    d.subtitles = {"Documents scanned from 01/01/2025 to 12/31/2025"};
    d.columns = {{"Employee ID", 1500, Qt::AlignLeft}, {"Last Name", 2300, Qt::AlignLeft},
                 {"Scanned Docs", 1700, Qt::AlignRight}};
    long total = 0;
    for (int i = 0; i < count; ++i) {
        d.rows.push_back({QString("E%1").arg(i, 4, 10, QChar('0')), QString("Surname%1").arg(i),
                          QString::number(i * 3 + 1)});
        total += i * 3 + 1;
    }
    d.totals = {{"Total documents", 2, QString::number(total)}};
    d.printed = QDateTime(QDate(2026, 1, 2), QTime(14, 5));
    return d;
}

QString render(const reports::ReportData& d, const QString& path) {
    QPdfWriter writer(path);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                     QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch));
    writer.setResolution(600);
    reports::ReportRenderer r(d);
    const int pages = r.pageCount(writer);
    r.render(writer);
    return QString::number(pages);
}

} // namespace

TEST(ReportRenderer, EveryRowOncePageNumbersOnEveryPageAndTheTotalAfterTheLastRow) {
    testsupport::TempDir dir;
    const QString pdf = dir.file("long.pdf");
    const int rows = 150;
    const int pages = render(employees(rows), pdf).toInt();
    ASSERT_EQ(pdfPages(pdf), pages);
    ASSERT_GE(pages, 3); // 150 lines do not fit on two Letter pages

    std::map<QString, int> seen;
    for (int page = 1; page <= pages; ++page) {
        const QString text = pdfText(pdf, page, page);
        EXPECT_TRUE(text.contains(QString("Page %1 of %2").arg(page).arg(pages))) << page;
        EXPECT_TRUE(text.contains("Printed 01/02/2026 2:05 PM")) << page;
        EXPECT_TRUE(text.contains("Scanned Docs")) << "headings on page " << page;
        EXPECT_EQ(text.contains("Scanning Accomplishment Report"), page == 1) << page;
        EXPECT_EQ(text.contains("Total documents"), page == pages) << page;
        for (const QStringList& cells : pdfColumns(text)) {
            if (!QRegularExpression("^E\\d{4}$").match(cells[0]).hasMatch()) continue;
            EXPECT_EQ(cells.size(), 3) << cells.join('|').toStdString();
            const int i = cells[0].mid(1).toInt();
            EXPECT_EQ(cells[1], QString("Surname%1").arg(i));
            EXPECT_EQ(cells[2], QString::number(i * 3 + 1));
            ++seen[cells[0]];
        }
    }
    EXPECT_EQ(int(seen.size()), rows);
    for (const auto& [id, n] : seen) EXPECT_EQ(n, 1) << id.toStdString();
    // The sum of 3i+1 for i < 150.
    EXPECT_TRUE(pdfText(pdf, pages, pages).contains(QRegularExpression("Total documents\\s+33675")));
}

TEST(ReportRenderer, AnEmptyReportSaysSoWithATotalOfNothingAndLongTextsAreCut) {
    testsupport::TempDir dir;
    const QString pdf = dir.file("empty.pdf");
    EXPECT_EQ(render(employees(0), pdf), "1");
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains("No rows to report."));
    EXPECT_TRUE(text.contains(QRegularExpression("Total documents\\s+0")));
    EXPECT_TRUE(text.contains("Page 1 of 1"));

    reports::ReportData d = employees(1);
    d.rows[0][1] = QString("Aguinaldo-").repeated(20);
    render(d, dir.file("long-name.pdf"));
    const QString cut = pdfText(dir.file("long-name.pdf"));
    EXPECT_TRUE(cut.contains("Aguinaldo-Aguinaldo-"));
    EXPECT_FALSE(cut.contains(QString("Aguinaldo-").repeated(20)));
    EXPECT_TRUE(cut.contains(QRegularExpression("Aguinaldo-\\S*…|\\.\\.\\.")));
}

TEST(ReportRenderer, ADeviceThatCannotBePaintedOnIsReported) {
    QPdfWriter writer("/nonexistent-folder/report.pdf");
    reports::ReportRenderer r(employees(3));
    EXPECT_THROW(r.render(writer), std::runtime_error);
}
