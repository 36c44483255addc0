#pragma once
// Reading a PDF back with poppler's tools: its text (laid out as on the page) and its page
// count, to check what a report printed.
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace reportstest {

// The text of pages first..last (all pages when 0), lines as laid out; empty on failure.
inline QString pdfText(const QString& pdf, int first = 0, int last = 0) {
    QStringList args{"-layout"};
    if (first > 0) args << "-f" << QString::number(first) << "-l" << QString::number(last);
    args << pdf << "-";
    QProcess p;
    p.start("pdftotext", args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The page count pdfinfo reports; -1 on failure.
inline int pdfPages(const QString& pdf) {
    QProcess p;
    p.start("pdfinfo", {pdf});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return -1;
    const auto m = QRegularExpression(R"(Pages:\s+(\d+))").match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The text's lines split at runs of two or more blanks (the columns of a -layout line).
inline QList<QStringList> pdfColumns(const QString& text) {
    QList<QStringList> out;
    for (const QString& line : text.split('\n')) {
        const QStringList cells =
            line.trimmed().split(QRegularExpression(" {2,}"), Qt::SkipEmptyParts);
        if (!cells.isEmpty()) out << cells;
    }
    return out;
}

} // namespace reportstest
