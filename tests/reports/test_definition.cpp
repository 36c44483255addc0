// Report definitions: the installed ScanReport.rpt, the definitions refused (with the line
// and the reason), the parameter values, and the procedure calls they give.
#include "records/ReportStatements.h"
#include "reports/MainReport.h"
#include "reports/ReportDefinition.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using reports::ReportDefinition;
using reports::ReportError;

namespace {

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ReportError& e) {
        return e.what();
    }
    return "<no error>";
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(ReportDefinition, TheScanReportBesideTheProgramReadsAsTheReportWindowUsesIt) {
    // The build puts the definition next to the executables.
    const ReportDefinition d =
        ReportDefinition::load(QCoreApplication::applicationDirPath() + "/ScanReport.rpt");
    EXPECT_EQ(d.title, "Scanning Accomplishment Report");
    ASSERT_EQ(d.parameters.size(), 4u);
    for (const auto& p : d.parameters) EXPECT_EQ(p.type, ReportDefinition::Type::Date);
    QStringList headings;
    for (const auto& c : d.columns) headings << c.heading;
    EXPECT_EQ(headings, QStringList({"Employee ID", "Last Name", "First Name", "Middle Name", "Scanned Docs"}));
    EXPECT_EQ(d.columns.back().alignment, Qt::AlignRight);
    ASSERT_EQ(d.totals.size(), 1u);
    EXPECT_EQ(d.totals[0].field, "ScannedDocs");

    // The window passes start, end, start, end: the procedure gets the first two.
    const QDate a(2025, 3, 1), b(2025, 3, 31);
    const QStringList texts = reports::parameterTexts(d, {a, b, a, b});
    EXPECT_EQ(reports::reportStatement(d, texts), "dbRecords..sp_ScanReport '03/01/2025','03/31/2025'");
    EXPECT_EQ(reports::reportStatement(d, texts), records::scanReport(a, b));
    EXPECT_EQ(reports::expandSubtitle(d, d.subtitles[0], texts),
              "Documents scanned from 03/01/2025 to 03/31/2025");
}

TEST(ReportDefinition, DefinitionsThatDoNotFollowTheFormatAreRefusedWithLineAndReason) {
    const QString head = "title: T\nparameter: From date\nprocedure: db..sp_X From\n";
    const struct {
        QString text;
        const char* says;
    } cases[] = {
        {"parameter: From date\nprocedure: sp_X\ncolumn: A | A", "no title"},
        {"title: T\ncolumn: A | A", "no procedure"},
        {"title: T\nprocedure: sp_X", "no column"},
        {"title: T\ntitle: U", "line 2: a second title"},
        {head + "colour: red", "line 4: unknown key \"colour\""},
        {head + "just words", "line 4: expected \"key: value\""},
        {"title: T\nprocedure: sp_X; DROP TABLE tblRecFiles\ncolumn: A | A", "line 2:"},
        {"title: T\nprocedure: sp_X Missing", "argument Missing is not a parameter"},
        {"title: T\nparameter: From time", "unknown parameter type \"time\""},
        {"title: T\nparameter: From date\nparameter: from text", "line 3: parameter from is declared twice"},
        {head + "subtitle: from {To}", "line 4: {To} is not a parameter"},
        {head + "column: A | A | wide", "the width \"wide\""},
        {head + "column: A | A | 0", "the width \"0\""},
        {head + "column: A | A | 100 | justified", "unknown alignment \"justified\""},
        {head + "column: A B | A", "\"A B\" is not a field name"},
        {head + "column: A | A\ntotal: B | Sum", "line 5: the total's field B is not a column"},
    };
    for (const auto& c : cases) {
        const std::string e = errorOf([&] { ReportDefinition::parse(c.text, "X.rpt"); });
        EXPECT_NE(e.find("The report definition X.rpt is not valid"), std::string::npos) << e;
        EXPECT_NE(e.find(c.says), std::string::npos) << c.text.toStdString() << "\n -> " << e;
    }
    // Comments, blank lines, keys in any case and blanks around values are fine.
    const ReportDefinition d = ReportDefinition::parse(
        "# a report\n\n  TITLE :  Files  \n" + head.mid(9) + "Column: A|Heading A|2000|center\n", "X.rpt");
    EXPECT_EQ(d.title, "Files");
    EXPECT_EQ(d.columns[0].heading, "Heading A");
    EXPECT_EQ(d.columns[0].widthTwips, 2000);
    EXPECT_EQ(d.columns[0].alignment, Qt::AlignHCenter);
}

TEST(ReportDefinition, MissingUnreadableAndForeignFilesAreRefusedWithTheirPath) {
    testsupport::TempDir dir;
    const QString missing = dir.file("ScanReport.rpt");
    std::string e = errorOf([&] { ReportDefinition::load(missing); });
    EXPECT_NE(e.find("The report definition " + missing.toStdString() + " cannot be read"), std::string::npos) << e;

    QDir().mkpath(dir.file("folder.rpt"));
    e = errorOf([&] { ReportDefinition::load(dir.file("folder.rpt")); });
    EXPECT_NE(e.find("cannot be read: it is not a file"), std::string::npos) << e;

    write(dir.file("latin1.rpt"), "title: Caf\xe9\n");
    e = errorOf([&] { ReportDefinition::load(dir.file("latin1.rpt")); });
    EXPECT_NE(e.find("it is not UTF-8 text"), std::string::npos) << e;

    write(dir.file("huge.rpt"), QByteArray(70 * 1024, '#'));
    e = errorOf([&] { ReportDefinition::load(dir.file("huge.rpt")); });
    EXPECT_NE(e.find("larger than 64 KB"), std::string::npos) << e;
}

TEST(ReportDefinition, ParameterValuesMustMatchTheDeclaredOnes) {
    const ReportDefinition d = ReportDefinition::parse(
        "title: T\nparameter: Day date\nparameter: Who text\nparameter: N number\n"
        "procedure: dbRecords..sp_X Who Day N\ncolumn: A | A", "X.rpt");
    const QStringList texts = reports::parameterTexts(
        d, {QDateTime(QDate(2024, 2, 29), QTime(23, 59)), "O'Neil", 12});
    EXPECT_EQ(texts, QStringList({"02/29/2024", "O'Neil", "12"}));
    // Arguments in the procedure's order, every one quoted.
    EXPECT_EQ(reports::reportStatement(d, texts), "dbRecords..sp_X 'O''Neil','02/29/2024','12'");
    EXPECT_EQ(reports::parameterTexts(d, {"02/29/2024", "", "1.5"}).front(), "02/29/2024");

    EXPECT_NE(errorOf([&] { reports::parameterTexts(d, {QDate(2024, 1, 1), "x"}); })
                  .find("takes 3 parameters; 2 were given"), std::string::npos);
    EXPECT_NE(errorOf([&] { reports::parameterTexts(d, {"2024-01-01", "x", 1}); })
                  .find("parameter Day is not a date"), std::string::npos);
    EXPECT_NE(errorOf([&] { reports::parameterTexts(d, {QDate(2024, 1, 1), "x", "many"}); })
                  .find("parameter N is not a number"), std::string::npos);
}

TEST(ReportStatements, ProcedureCallsQuoteEveryArgumentAndTakeOnlyPlainNames) {
    // The report window's statement as the window sends it.
    EXPECT_EQ(records::scanReport(QDate(2008, 11, 24), QDate(2008, 11, 25)),
              "dbRecords..sp_ScanReport '11/24/2008','11/25/2008'");
    EXPECT_EQ(records::procedureCall("sp_X", {}), "sp_X");
    EXPECT_EQ(records::procedureCall("dbo.sp_X", {"a'b", ""}), "dbo.sp_X 'a''b',''");
    for (const char* good : {"sp_X", "dbo.sp_X", "dbRecords..sp_X", "dbRecords.dbo.sp_X", "_x1"})
        EXPECT_TRUE(records::isProcedureName(good)) << good;
    for (const char* bad : {"", ".sp_X", "sp_X.", "a.b.c.d", "sp X", "sp_X;", "sp_X--", "[sp_X]",
                            "1sp", "db...sp_X"})
        EXPECT_FALSE(records::isProcedureName(bad)) << bad;
    EXPECT_THROW(records::procedureCall("sp_X; DROP TABLE t", {}), std::invalid_argument);
}
