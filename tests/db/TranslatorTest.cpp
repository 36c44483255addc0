// The T-SQL translator: how statements are classified and refused, and how the rewritten
// statements behave on the embedded database (checked by running them).
#include "EmbeddedFixture.h"
#include "db/TsqlTranslator.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <random>

using db::Translation;
using db::TsqlTranslator;

namespace {

const QStringList kDatabases = {"master", "dbRecords", "PATIENT_DATA", "Password", "PayrollDB"};

Translation translate(const QString& s, const QString& current = "dbRecords") {
    TsqlTranslator t(kDatabases, nullptr);
    return t.translate(s, current);
}

db::Error translationError(const QString& s) {
    try {
        translate(s);
    } catch (const db::Error& e) {
        return e;
    }
    ADD_FAILURE() << "translated without error: " << s.toStdString();
    return db::Error(0, {});
}

TEST(TranslatorCommands, UseNamesTheDatabaseInItsCanonicalSpelling) {
    EXPECT_EQ(translate("USE [dbRecords]").kind, Translation::Kind::Use);
    EXPECT_EQ(translate("USE [dbRecords]").database, "dbRecords");
    EXPECT_EQ(translate("use patient_data;").database, "PATIENT_DATA");
    EXPECT_EQ(translationError("USE [Nowhere]").number(), 911);
}

TEST(TranslatorCommands, ProcedureCallsCarryTheirLiteralArguments) {
    Translation t = translate("dbRecords.dbo.sp_CheckScanned '250123','2'", "master");
    EXPECT_EQ(t.kind, Translation::Kind::Procedure);
    EXPECT_EQ(t.database, "dbRecords");
    EXPECT_EQ(t.procedure, "sp_CheckScanned");
    ASSERT_EQ(t.arguments.size(), 2u);
    EXPECT_EQ(t.arguments[0].toString(), "250123");
    EXPECT_EQ(t.arguments[1].toString(), "2");

    t = translate("dbrecords..spRectype_SetDefault 'it''s'", "master");
    EXPECT_EQ(t.procedure, "spRectype_SetDefault");
    EXPECT_EQ(t.database, "dbRecords");
    EXPECT_EQ(t.arguments[0].toString(), "it's");

    t = translate("EXEC sp_FileDelete 5, NULL, -2");
    EXPECT_EQ(t.database, "dbRecords"); // the current database
    EXPECT_EQ(t.arguments[0].toLongLong(), 5);
    EXPECT_TRUE(t.arguments[1].isNull());
    EXPECT_EQ(t.arguments[2].toLongLong(), -2);

    EXPECT_EQ(translationError("sp_x @a = '1'").number(), db::kErrUnsupported);
    EXPECT_EQ(translationError("sp_x '1' '2'").number(), 102);
    EXPECT_EQ(translationError("Other.dbo.sp_x '1'").number(), 2812);
}

TEST(TranslatorCommands, SchemaChangesOfTheUpdateCommandAreRecognised) {
    Translation t =
        translate("alter table dbrecords..tblrecfiles alter column file_name varchar(150)");
    EXPECT_EQ(t.kind, Translation::Kind::AlterColumn);
    EXPECT_EQ(t.database, "dbRecords");
    EXPECT_EQ(t.table, "tblrecfiles");
    EXPECT_EQ(t.column, "file_name");
    EXPECT_EQ(t.type.kind, db::ColumnKind::Text);
    EXPECT_EQ(t.type.length, 150);

    t = translate("alter table dbrecords..tblRecType add  DepartmentID varchar(50)");
    EXPECT_EQ(t.kind, Translation::Kind::AddColumn);
    EXPECT_EQ(t.column, "DepartmentID");
    EXPECT_EQ(t.type.sqliteDeclaration(), "VARCHAR(50) COLLATE TSQL");

    t = translate(
        "CREATE NONCLUSTERED INDEX [by_IDNum] ON [dbo].[tblRecFiles](    [admission_id] ASC "
        ")WITH (PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, SORT_IN_TEMPDB = OFF, "
        "DROP_EXISTING = OFF, ONLINE = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = "
        "ON) ON [PRIMARY]");
    EXPECT_EQ(t.kind, Translation::Kind::CreateIndex);
    EXPECT_EQ(t.indexName, "by_IDNum");
    EXPECT_EQ(t.table, "tblRecFiles");
    EXPECT_EQ(t.indexColumnNames, QStringList{"admission_id"});
    EXPECT_FALSE(t.dropExisting);
    EXPECT_FALSE(t.unique);

    EXPECT_TRUE(
        translate("CREATE UNIQUE INDEX i ON t(a DESC) WITH (DROP_EXISTING = ON)").dropExisting);
    EXPECT_EQ(translationError("CREATE INDEX i ON t(a) INCLUDE (b)").number(), db::kErrUnsupported);
    EXPECT_EQ(translationError("CREATE INDEX i ON t(a) WITH (DATA_COMPRESSION = PAGE)").number(),
              db::kErrUnsupported);
}

TEST(TranslatorRefusals, UnsupportedSyntaxFailsQuotingTheStatement) {
    const char* refused[] = {
        "SELECT 1 LIMIT 5",
        "SELECT TOP 10 PERCENT rectype_id FROM dbRecords..tblRecType",
        "SELECT TOP 5 WITH TIES rectype_id FROM dbRecords..tblRecType ORDER BY rectype_id",
        "SELECT NEWID()",
        "SELECT a FROM dbRecords..tblRecType t CROSS APPLY x",
        "SELECT a FROM dbRecords..tblRecType WITH (TABLOCKX)",
        "SELECT 1; DROP TABLE tblRecFiles",
        "SELECT @x",
        "SELECT rectype_name || 'x' FROM dbRecords..tblRecType",
        "SELECT rectype_name INTO copy FROM dbRecords..tblRecType",
        "UPDATE dbRecords..tblRecType SET rectype_name = 'x' FROM dbRecords..tblRecFiles",
        "DELETE TOP (5) FROM dbRecords..tblRecFiles",
        "SELECT CONVERT(varchar(10), getdate(), 999)",
        "SELECT CONVERT(varchar(10), 1 + 2, 101)",
        "CREATE TABLE x (a int, PRIMARY KEY (a))",
        "CREATE TABLE x (a int IDENTITY(1, 1))",
        "SET NOCOUNT ON",
        "SELECT a FROM srv.dbRecords.dbo.tblRecFiles",
        "SELECT t.a.b FROM dbRecords..tblRecFiles t",
        "INSERT INTO dbRecords..tblRecType VALUES ('x')",
        "SELECT rectype_name COLLATE Latin1_General_CS_AS FROM dbRecords..tblRecType",
        "SELECT a FROM dbRecords..tblRecType WHERE a = ANY (SELECT 1)",
    };
    for (const char* s : refused) {
        const db::Error e = translationError(s);
        EXPECT_EQ(e.number(), db::kErrUnsupported) << s << ": " << e.description().toStdString();
        EXPECT_TRUE(e.description().contains(QString(s))) << e.description().toStdString();
        EXPECT_EQ(e.statement(), QString(s));
    }
}

TEST(TranslatorRefusals, BrokenStatementsAreSyntaxErrors) {
    for (const char* s : {"SELECT FROM dbRecords..tblRecType", "SELECT (1", "SELECT 1)",
                          "SELECT a FROM", "UPDATE dbRecords..tblRecType rectype_name = 1"}) {
        const int n = translationError(s).number();
        EXPECT_TRUE(n == 102 || n == 156) << s << " gave " << n;
    }
}

TEST(TranslatorNames, ThreePartNamesNeedAKnownDatabaseAndTheDboSchema) {
    EXPECT_EQ(translationError("SELECT 1 FROM Nowhere..t").number(), 208);
    EXPECT_EQ(translationError("SELECT 1 FROM dbRecords.sales.tblRecFiles").number(), 208);
}

// Behaviour of translated statements, run on an embedded database without demo data.
class TranslatedStatements : public dbtest::EmbeddedTest {
protected:
    bool withDemoData() const override { return false; }
    void SetUp() override {
        EmbeddedTest::SetUp();
        for (const char* name : {"alpha", "Beta", "gamma", "DELTA", "epsilon"})
            conn->execute(QString("INSERT INTO dbRecords..tblRecType(rectype_name, "
                                  "rectype_desc, DepartmentID) VALUES('%1','d','')")
                              .arg(name));
    }
};

TEST_F(TranslatedStatements, TopAppliesToEachUnionBranchAndOrderByToTheWhole) {
    const QString s = "SELECT TOP 2 rectype_name AS Name FROM dbRecords..tblRecType WHERE "
                      "rectype_id <= 3 UNION ALL SELECT TOP 2 rectype_name AS Name FROM "
                      "dbRecords..tblRecType WHERE rectype_id > 3 ORDER BY name desc";
    // Branch one holds at most 2 of ids 1-3, branch two both of ids 4-5 (DELTA, epsilon).
    const QStringList names = column(s, "Name");
    ASSERT_EQ(names.size(), 4);
    EXPECT_TRUE(names.contains("DELTA"));
    EXPECT_TRUE(names.contains("epsilon"));
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) > 0;
    });
    EXPECT_EQ(names, sorted); // descending, ignoring case
}

TEST_F(TranslatedStatements, TopOfASingleSelectComesAfterItsOrder) {
    EXPECT_EQ(column("SELECT TOP 3 rectype_name FROM dbRecords..tblRecType ORDER BY rectype_name",
                     "rectype_name"),
              (QStringList{"alpha", "Beta", "DELTA"}));
}

TEST_F(TranslatedStatements, PlusConcatenatesTextAndAddsNumbers) {
    EXPECT_EQ(scalar("SELECT rectype_name + ', ' + rectype_desc FROM dbRecords..tblRecType "
                     "WHERE rectype_id = 1"),
              "alpha, d");
    EXPECT_EQ(scalar("SELECT rectype_id + 10 FROM dbRecords..tblRecType WHERE rectype_id = 2"),
              "12");
    EXPECT_EQ(scalar("SELECT '1' + 2"), "3"); // SQL Server converts the text to int
    EXPECT_EQ(scalar("SELECT 2 + 3 * 4"), "14");
    EXPECT_EQ(scalar("SELECT 'a' + 'b' + 'c'"), "abc");
    EXPECT_EQ(errorOf("SELECT 'x' + 1"), 245);
    auto rs = conn->execute("SELECT rectype_name + NULL AS n FROM dbRecords..tblRecType");
    EXPECT_TRUE(rs->isNull("n"));
}

TEST_F(TranslatedStatements, TextComparesIgnoringCaseAndTrailingBlanks) {
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE rectype_name = 'ALPHA  '"),
              "1");
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE rectype_name <> 'beta'"),
              "4");
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE "
                     "isnull(DepartmentID,'') = ''"),
              "5");
    EXPECT_EQ(column("SELECT rectype_name FROM dbRecords..tblRecType WHERE rectype_name LIKE "
                     "'%E%A'",
                     "rectype_name"),
              (QStringList{"Beta", "DELTA"}));
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE rectype_name LIKE "
                     "'[a-c]%'"),
              "2");
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE rectype_name LIKE "
                     "'_ET_'"),
              "1");
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE rectype_name LIKE "
                     "'[^ab]%'"),
              "3");
}

// Plain ASCII texts are matched on their bytes, others after full case folding: both ways give
// the same answers, also for letters outside ASCII that fold to ASCII ones.
TEST_F(TranslatedStatements, LikeMatchesAsciiAndOtherTextsAlike) {
    struct Case {
        QString text, pattern;
        bool match;
    };
    const Case cases[] = {
        {"Referral from Dr. O'Brien", "%o''brien%", true},
        {"Referral from Dr. O'Brien", "%o''brian%", false},
        {"Müller follow-up", "%MÜLLER%", true},
        {"Müller follow-up", "%muller%", false},
        {QString::fromUtf8("\u212Aelvin"), "kelvin", true}, // Kelvin sign folds to k
        {"kelvin", QString::fromUtf8("\u212A%"), true},
        {"ABC_1", "abc[_]1", true},
        {"ABCx1", "abc[_]1", false},
        {"abc", "a_c", true},
        {"abc", "%", true},
        {"", "%", true},
        {"", "_", false},
    };
    for (const Case& c : cases) {
        conn->execute("UPDATE dbRecords..tblRecType SET rectype_desc = '" + db::quote(c.text) +
                      "' WHERE rectype_id = 1");
        EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType WHERE rectype_id = 1 AND "
                         "rectype_desc LIKE '" +
                         c.pattern + "'"),
                  c.match ? "1" : "0")
            << c.text.toStdString() << " LIKE " << c.pattern.toStdString();
    }
}

// A LIKE on the right side of a LEFT JOIN: rows without a match there give NULL, and the
// condition around the LIKE decides, as on SQL Server, whether they are kept.
TEST_F(TranslatedStatements, ALikeOnALeftJoinedColumnIsUnknownWhereTheRowIsMissing) {
    for (const auto& [type, description] :
         {std::pair{1, "scan one"}, std::pair{2, "second scan"}})
        conn->execute(QString("INSERT INTO dbRecords..tblRecFiles(admission_id, file_name, "
                              "rectype_id, EmployeeID, Description, date_created, date_updated) "
                              "VALUES('A1','a.tif',%1,'','%2',getdate(),getdate())")
                          .arg(type)
                          .arg(description));
    // alpha has "scan one", Beta "second scan", gamma, DELTA and epsilon no file at all.
    struct Case {
        const char* where;
        QStringList names;
    };
    const Case cases[] = {
        {"F.Description LIKE '%one%'", {"alpha"}},
        {"NOT (F.Description LIKE '%one%')", {"Beta"}},
        {"F.Description NOT LIKE '%one%'", {"Beta"}},
        {"F.Description LIKE '%one%' OR T.rectype_name = 'gamma'", {"alpha", "gamma"}},
        {"NOT (F.Description LIKE '%one%' AND T.rectype_id > 0)", {"Beta"}},
        {"NOT (F.Description LIKE '%one%' OR T.rectype_name LIKE 'd%')", {"Beta"}},
        {"NOT (F.Description LIKE '%one%') OR T.rectype_name LIKE 'e%'", {"Beta", "epsilon"}},
        {"T.rectype_name LIKE '%a%' AND F.Description LIKE '%scan%'", {"alpha", "Beta"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(column(QString("SELECT T.rectype_name FROM dbRecords..tblRecType T LEFT OUTER "
                                 "JOIN dbRecords..tblRecFiles F ON F.rectype_id = T.rectype_id "
                                 "WHERE %1 ORDER BY T.rectype_id")
                             .arg(c.where),
                         "rectype_name"),
                  c.names)
            << c.where;
}

TEST_F(TranslatedStatements, QuotedNumbersMatchIntegerKeys) {
    EXPECT_EQ(scalar("SELECT rectype_name FROM dbRecords..tblRecType WHERE rectype_id='4'"),
              "DELTA");
    long n = -5;
    conn->execute("DELETE FROM dbRecords..tblRecType WHERE rectype_id = '5'", &n);
    EXPECT_EQ(n, 1);
}

TEST_F(TranslatedStatements, DatesAreStoredAndConvertedAsOnSqlServer) {
    conn->execute("INSERT INTO dbRecords.dbo.tblRecFiles(admission_id, date_created, "
                  "date_updated) VALUES('a', '2008-11-25', '11/05/2008 2:05 PM')");
    conn->execute("INSERT INTO dbRecords.dbo.tblRecFiles(admission_id, date_created, "
                  "date_updated) VALUES('b', '2009-01-02 00:00:00', '2009-01-02 12:30')");
    auto rs = conn->execute("SELECT date_created, CONVERT(varchar(10), date_created, 101) AS d, "
                            "CONVERT(varchar(30), date_updated, 100) AS u FROM "
                            "dbRecords..tblRecFiles ORDER BY admission_id");
    EXPECT_EQ(rs->value("date_created").toDateTime(), QDateTime(QDate(2008, 11, 25), QTime(0, 0)));
    EXPECT_EQ(rs->text("d"), "11/25/2008");
    EXPECT_EQ(rs->text("u"), "Nov  5 2008  2:05PM");
    rs->moveNext();
    EXPECT_EQ(rs->text("u"), "Jan  2 2009 12:30PM");
    EXPECT_EQ(scalar("SELECT CONVERT(varchar(30), date_created, 100) FROM dbRecords..tblRecFiles "
                     "WHERE admission_id = 'b'"),
              "Jan  2 2009 12:00AM");
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecFiles WHERE date_created = "
                     "'2008-11-25'"),
              "1");
    EXPECT_EQ(errorOf("INSERT INTO dbRecords.dbo.tblRecFiles(admission_id, date_created) "
                      "VALUES('c', '2008-13-45')"),
              241);
    // The stored form itself, to the millisecond, in the styles that show the time; a text in
    // that form with a day or a time that does not exist is no date.
    conn->execute("INSERT INTO dbRecords.dbo.tblRecFiles(admission_id, date_updated) "
                  "VALUES('s', '2010-07-04 09:08:07.654')");
    auto styles = conn->execute("SELECT CONVERT(varchar(30), date_updated, 121) AS a, "
                                "CONVERT(varchar(30), date_updated, 120) AS b, "
                                "CONVERT(varchar(30), date_updated, 100) AS c, "
                                "CONVERT(varchar(8), date_updated, 112) AS e "
                                "FROM dbRecords..tblRecFiles WHERE admission_id = 's'");
    EXPECT_EQ(styles->text("a"), "2010-07-04 09:08:07.654");
    EXPECT_EQ(styles->text("b"), "2010-07-04 09:08:07");
    EXPECT_EQ(styles->text("c"), "Jul  4 2010  9:08AM");
    EXPECT_EQ(styles->text("e"), "20100704");
    for (const char* bad : {"2008-02-30 10:00:00.000", "2008-11-25 24:00:00.000",
                            "2008-11-25 10:61:00", "1752-12-31"})
        EXPECT_NE(errorOf(QString("INSERT INTO dbRecords.dbo.tblRecFiles(admission_id, "
                                  "date_created) VALUES('c', '%1')")
                              .arg(bad)),
                  0)
            << bad;
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecFiles WHERE admission_id = 'c'"), "0");
}

TEST_F(TranslatedStatements, GetdateIsTheCurrentTime) {
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    conn->execute("INSERT INTO dbRecords.dbo.tblRecFiles(admission_id, date_updated) "
                  "VALUES('n', getdate())");
    const QDateTime stored =
        conn->execute("SELECT date_updated FROM dbRecords..tblRecFiles")->value(0).toDateTime();
    EXPECT_GE(stored, before);
    EXPECT_LE(stored, QDateTime::currentDateTime().addSecs(2));
}

TEST_F(TranslatedStatements, IdentityBitAndAliasForms) {
    long n = 0;
    conn->execute("INSERT INTO dbRecords..tblRecType(rectype_name) VALUES('zeta')", &n);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(scalar("SELECT SCOPE_IDENTITY()"), "6");
    auto rs = conn->execute("SELECT Name = rectype_name, rectype_default FROM "
                            "dbRecords..tblRecType WHERE rectype_id = 6");
    EXPECT_EQ(rs->fieldName(0), "Name");
    EXPECT_EQ(rs->text("name"), "zeta");
    EXPECT_EQ(rs->value("rectype_default").typeId(), QMetaType::Bool);
    EXPECT_FALSE(rs->value("rectype_default").toBool());
    conn->execute("UPDATE dbRecords..tblRecType SET rectype_default = 'true' WHERE rectype_id = 6");
    EXPECT_TRUE(conn->execute("SELECT rectype_default FROM dbRecords..tblRecType WHERE "
                              "rectype_id = 6")
                    ->value(0)
                    .toBool());
}

TEST_F(TranslatedStatements, UnqualifiedNamesResolveInTheCurrentDatabase) {
    EXPECT_EQ(conn->currentDatabase(), "master");
    EXPECT_EQ(errorOf("SELECT count(*) FROM [dbo].[tblRecType]"), 208);
    conn->execute("USE [dbrecords]");
    EXPECT_EQ(conn->currentDatabase(), "dbRecords");
    EXPECT_EQ(scalar("SELECT count(*) FROM [dbo].[tblRecType]"), "5");
}

TEST_F(TranslatedStatements, MisspelledNamesFailInsteadOfBecomingText) {
    for (const char* s : {"SELECT \"rectype_nam\" FROM dbRecords..tblRecType",
                          "SELECT [rectype_nam] FROM dbRecords..tblRecType"}) {
        try {
            conn->execute(s);
            FAIL() << s;
        } catch (const db::Error& e) {
            EXPECT_EQ(e.number(), 207) << s;
            EXPECT_EQ(e.statement(), QString(s));
        }
    }
}

TEST_F(TranslatedStatements, TextFunctions) {
    EXPECT_EQ(scalar("SELECT RTRIM('ab  ') + '|'"), "ab|");
    EXPECT_EQ(scalar("SELECT ISNULL(NULL, 'x')"), "x");
    EXPECT_EQ(scalar("SELECT UPPER('müller')"), "MÜLLER");
    EXPECT_EQ(scalar("SELECT LEN('ab  ')"), "2");
    EXPECT_EQ(scalar("SELECT SUBSTRING('abcdef', 0, 3)"), "ab");
    EXPECT_EQ(scalar("SELECT LEFT('abcdef', 2)"), "ab");
    EXPECT_EQ(scalar("SELECT CONVERT(int, ' 42 ')"), "42");
    EXPECT_EQ(scalar("SELECT CAST(7 AS varchar(5)) + 'x'"), "7x");
    EXPECT_EQ(scalar("SELECT CASE WHEN 1 = 1 THEN 'yes' ELSE 'no' END"), "yes");
}

} // namespace

namespace {

TEST_F(TranslatedStatements, ALongStatementStopsAtTheCommandTimeout) {
    conn->setCommandTimeout(1);
    EXPECT_EQ(conn->commandTimeout(), 1);
    QString s = "SELECT count(*) FROM dbRecords..tblRecType t0";
    for (int i = 1; i < 14; ++i) // 5^14 row combinations: far more than a second's work
        s += QString(", dbRecords..tblRecType t%1").arg(i);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(errorOf(s), 20003);
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_EQ(scalar("SELECT count(*) FROM dbRecords..tblRecType"), "5"); // still usable
}

TEST_F(TranslatedStatements, AClosedConnectionRefusesStatements) {
    conn->close();
    EXPECT_FALSE(conn->isOpen());
    EXPECT_EQ(errorOf("SELECT 1"), 3704);
}

} // namespace

namespace {

// Statements pieced together from fragments of real ones: each either runs or fails with
// db::Error; none crashes or hangs the translator.
TEST_F(TranslatedStatements, ArbitraryFragmentSequencesRunOrFailCleanly) {
    const QStringList fragments = {"SELECT",
                                   "TOP 3",
                                   "rectype_id",
                                   "rectype_name",
                                   ",",
                                   "+",
                                   "'x'",
                                   "FROM",
                                   "dbRecords..tblRecType",
                                   "RT",
                                   "WHERE",
                                   "=",
                                   "'1'",
                                   "AND",
                                   "OR",
                                   "(",
                                   ")",
                                   "ORDER BY",
                                   "UNION ALL",
                                   "LIKE",
                                   "'%a%'",
                                   "ISNULL(",
                                   "CONVERT(varchar(10),",
                                   "date_updated",
                                   "101)",
                                   "JOIN",
                                   "ON",
                                   "with(NOLOCK)",
                                   "*",
                                   "IS NULL",
                                   "NOT",
                                   "IN",
                                   "CASE WHEN",
                                   "THEN",
                                   "END",
                                   "1",
                                   "-",
                                   "desc",
                                   "'it''s'",
                                   "[dbo].[tblRecType]",
                                   "getdate()",
                                   ";",
                                   "--",
                                   "N'ü'",
                                   "INSERT INTO",
                                   "VALUES",
                                   "UPDATE",
                                   "SET",
                                   "DELETE",
                                   "USE",
                                   "dbRecords..sp_CheckScanned",
                                   "alter table",
                                   "add",
                                   "CREATE INDEX",
                                   "varchar(5)"};
    std::mt19937 random(20261208);
    int translated = 0;
    for (int n = 0; n < 3000; ++n) {
        QStringList parts;
        const int length = 1 + int(random() % 14);
        for (int k = 0; k < length; ++k)
            parts << fragments[int(random() % fragments.size())];
        if (n % 2 == 0) parts.prepend("SELECT");
        const QString s = parts.join(' ');
        try {
            conn->execute(s);
            ++translated;
        } catch (const db::Error& e) {
            EXPECT_NE(e.number(), 0) << s.toStdString();
            EXPECT_FALSE(e.description().isEmpty()) << s.toStdString();
        }
    }
    EXPECT_GT(translated, 0); // some sequences are valid statements
}

} // namespace
