// docuvane-admin check-storage over a generated share and the embedded demo database, with
// planted faults of every kind: a row whose file is missing, files no row names, a truncated
// TIFF, a TIFF whose page chain loops, a row whose record type is missing. Beside them lie
// files that are no findings: sound records, the recycle folders, a scan in progress and a
// Test Write file.
#include "CoreFixtures.h"
#include "admin/AdminTool.h"
#include "app/Settings.h"
#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

const QString kShare = QStringLiteral("\\\\testfs\\recfiles");

// One CSV line into its fields (quoted fields may hold commas and doubled quotes).
QStringList csvFields(const QString& line) {
    QStringList out;
    QString field;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') field += '"', ++i;
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            out << field;
            field.clear();
        } else {
            field += c;
        }
    }
    out << field;
    return out;
}

struct ToolRun {
    int status = -1;
    QString out, err;
    QStringList csv; // lines of the CSV file
};

class CheckStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        db::EmbeddedDatabase::Options o;
        o.passwordCost = db::PasswordCost::cheapForTests();
        db::EmbeddedDatabase::ensure(dbFolder(), o);
        app::IniSettingsStore settings(configFolder());
        settings.write(app::kAppPrefs, "General Preferences", "Default Directory", kShare);
        settings.write(app::kAppPrefs, "Shares", kShare, share());
        QDir().mkpath(share());
        db::SqliteConnection c(dbFolder());
        c.execute("DELETE FROM dbRecords..tblRecFiles");

        const QString d1 = "/2024/2024-03-01/", d2 = "/2024/2024-03-02/", d3 = "/2024/2024-04-01/";
        // Medical records (their types have no department): below the root.
        good(share() + d1 + "G1-1.tif");
        row("G1", "\\2024\\2024-03-01\\G1-1.tif", 1, "2024-03-01");
        ids["M1"] = row("M1", "\\2024\\2024-03-01\\M1-2.tif", 2, "2024-03-01");
        good(share() + d1 + "T1-1.tif");
        const QByteArray whole = corefx::readFile(share() + d1 + "T1-1.tif");
        corefx::writeFile(share() + d1 + "T1-1.tif", whole.left(whole.size() / 2));
        ids["T1"] = row("T1", "\\2024\\2024-03-01\\T1-1.tif", 1, "2024-03-01");
        good(share() + d1 + "X1-999.tif");
        ids["X1"] = row("X1", "\\2024\\2024-03-01\\X1-999.tif", 999, "2024-03-01");
        good(share() + d2 + "O2-1.tif");
        looping(share() + d2 + "L2-3.tif");
        ids["L2"] = row("L2", "\\2024\\2024-03-02\\L2-3.tif", 3, "2024-03-02");
        good(share() + d3 + "G3-1.tif");
        row("G3", "\\2024\\2024-04-01\\G3-1.tif", 1, "2024-04-01");
        // The department HRD: below root\HRD.
        good(share() + "/HRD" + d2 + "E2-7.tif");
        row("E2", "\\2024\\2024-03-02\\E2-7.tif", 7, "2024-03-02");
        ids["E3"] = row("E3", "\\2024\\2024-03-02\\E3-8.tif", 8, "2024-03-02");
        good(share() + "/HRD" + d2 + "H2-9.tif");
        // No findings: recycled files, a scan being filed, a Test Write file.
        good(share() + "/Recycled/2024-03-01/R1-1-101500.tif");
        good(share() + "/HRD/Recycled/2024-03-02/R2-7-101500.tif");
        good(share() + d1 + "G1-1.scanning.tif");
        corefx::writeFile(share() + "/test write20240301.txt", "3/1/24 10:00 AM OK.\n");
    }

    QString dbFolder() const { return dir.file("data/db"); }
    QString configFolder() const { return dir.file("config"); }
    QString share() const { return dir.file("share"); }

    static void good(const QString& path) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        corefx::writeTiff(path, {corefx::bitonalPage(40, 20, true, COMPRESSION_CCITTFAX4,
                                                     [](int x, int y) { return x == y; })});
    }
    // Three pages whose third page leads back to the second.
    static void looping(const QString& path) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        std::vector<corefx::Page> pages;
        for (int i = 0; i < 3; ++i)
            pages.push_back(corefx::bitonalPage(20, 10, true, COMPRESSION_CCITTFAX4,
                                                [i](int x, int y) { return x == i && y == 2; }));
        corefx::writeTiff(path, pages);
        QByteArray bytes = corefx::readFile(path);
        const std::vector<uint32_t> ifds = corefx::ifdOffsets(bytes);
        corefx::setLe32(bytes, ifds[2] + 2 + 12 * corefx::le16(bytes, ifds[2]), ifds[1]);
        corefx::writeFile(path, bytes);
    }
    QString row(const QString& id, const QString& file, int type, const QString& day) {
        db::SqliteConnection c(dbFolder());
        c.execute("INSERT INTO dbRecords..tblRecFiles (admission_id, file_name, rectype_id, "
                  "EmployeeID, Description, date_created, date_updated) VALUES ('" + id + "', '" +
                  file + "', " + QString::number(type) + ", '1001', 'test', '" + day +
                  " 00:00:00.000', '" + day + " 10:00:00.000')");
        auto rs = c.execute("SELECT MAX(recfile_id) FROM dbRecords..tblRecFiles");
        return rs->value(0).toString();
    }

    ToolRun run(QStringList args) {
        ToolRun r;
        const QString csvFile = dir.file("findings.csv");
        QFile::remove(csvFile);
        args << "--csv" << csvFile;
        QString out, err;
        QTextStream o(&out), e(&err);
        r.status = admin::runAdmin(args, {configFolder(), dir.file("data")}, o, e, false);
        o.flush();
        e.flush();
        r.out = out;
        r.err = err;
        QFile f(csvFile);
        if (f.open(QIODevice::ReadOnly | QIODevice::Text))
            r.csv = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        return r;
    }

    // "kind id" for a row's finding, "kind <path below the share>" for an orphan file.
    QSet<QString> findings(const ToolRun& r) {
        QSet<QString> out;
        for (const QString& line : r.csv.mid(1)) {
            const QStringList f = csvFields(line);
            if (f.size() != 6) {
                out << "malformed " + line;
                continue;
            }
            out << f[0] + " " +
                       (f[1].isEmpty() ? QDir(share()).relativeFilePath(f[4]) : idOf(f[1]));
        }
        return out;
    }
    QString idOf(const QString& recfileId) const {
        for (auto it = ids.begin(); it != ids.end(); ++it)
            if (it.value() == recfileId) return it.key();
        return "row " + recfileId;
    }

    // Every file's bytes and time below the share, and the rows of both tables.
    QMap<QString, QString> snapshot() {
        QMap<QString, QString> s;
        QDirIterator it(share(), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString p = it.next();
            QFile f(p);
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            s[p] = QString::number(qHash(f.readAll())) + " " +
                   QString::number(QFileInfo(p).lastModified().toMSecsSinceEpoch()) + " " +
                   QString::number(QFileInfo(p).size());
        }
        db::SqliteConnection c(dbFolder());
        for (const QString& table : {"tblRecFiles", "tblRecType"}) {
            auto rs = c.execute(QString("SELECT * FROM dbRecords..%1").arg(table));
            int n = 0;
            for (; !rs->eof(); rs->moveNext(), ++n) {
                QStringList values;
                for (int i = 0; i < rs->fieldCount(); ++i) values << rs->value(i).toString();
                s[QString("%1 %2").arg(table).arg(n)] = values.join('|');
            }
        }
        return s;
    }

    testsupport::TempDir dir;
    QMap<QString, QString> ids; // admission id -> recfile_id of the rows with findings
};

TEST_F(CheckStorageTest, FindsExactlyThePlantedFaultsWithinTheChosenDaysAndDepartment) {
    struct Case {
        QStringList args;
        QSet<QString> expected;
    };
    const QString o2 = "orphan-file 2024/2024-03-02/O2-1.tif";
    const QString h2 = "orphan-file HRD/2024/2024-03-02/H2-9.tif";
    const std::vector<Case> cases = {
        {{}, {"missing-file M1", "damaged-file T1", "missing-record-type X1", o2,
              "damaged-file L2", "missing-file E3", h2}},
        {{"--from", "2024-03-02", "--to", "03/02/2024"},
         {o2, "damaged-file L2", "missing-file E3", h2}},
        {{"--department", "HRD"}, {"missing-file E3", h2}},
        {{"--department", "", "--to", "2024-03-01"}, {"missing-file M1", "damaged-file T1"}},
        {{"--from", "2024-04-01"}, {}},
    };
    for (const Case& c : cases) {
        const ToolRun r = run(QStringList{"check-storage"} + c.args);
        SCOPED_TRACE(qPrintable(c.args.join(' ') + "\n" + r.out + r.err));
        EXPECT_EQ(findings(r), c.expected);
        EXPECT_EQ(r.csv.size(), c.expected.size() + 1); // the header and one line each
        EXPECT_EQ(r.status, c.expected.isEmpty() ? 0 : 1);
        EXPECT_EQ(r.out.count('\n'), c.expected.size() + 1); // a line each and the summary
    }
}

TEST_F(CheckStorageTest, ARunChangesNoFileAndNoRow) {
    const QMap<QString, QString> before = snapshot();
    ASSERT_GE(before.size(), 12);
    const ToolRun r = run({"check-storage"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(CheckStorageTest, RefusesBadArgumentsAndAMissingDatabaseWithStatusTwo) {
    EXPECT_EQ(run({"check-storage", "--from", "yesterday"}).status, 2);
    EXPECT_EQ(run({"check-storage", "--from", "2024-03-02", "--to", "2024-03-01"}).status, 2);
    EXPECT_EQ(run({"check-storage", "--depth", "3"}).status, 2);
    EXPECT_EQ(run({"check-share"}).status, 2);
    ASSERT_TRUE(QDir(dbFolder()).removeRecursively());
    const ToolRun r = run({"check-storage"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("no records database")) << qPrintable(r.err);
    EXPECT_FALSE(QFileInfo::exists(dbFolder())); // nothing was created
}

TEST_F(CheckStorageTest, TheToolAsAProcessPrintsTheFindingsAndTheSummary) {
    const QString exe = QCoreApplication::applicationDirPath() + "/docuvane-admin";
    ASSERT_TRUE(QFileInfo(exe).isExecutable());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DOCUVANE_CONFIG_DIR", configFolder());
    env.insert("DOCUVANE_DATA_DIR", dir.file("data"));
    p.setProcessEnvironment(env);
    const QString csvFile = dir.file("out.csv");
    p.start(exe, {"check-storage", "--csv", csvFile});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1) << qPrintable(out);
    // Rows G1 M1 T1 X1 L2 G3 E2 E3; files G1 T1 X1 O2 L2 G3 E2 H2 (the recycled ones, the
    // scan in progress and the Test Write file are not counted).
    EXPECT_TRUE(out.endsWith("Checked 8 rows and 8 files: 2 missing files, 2 orphan files, "
                             "2 damaged files, 1 row without record type. "
                             "1 scan in progress skipped.\n"))
        << qPrintable(out);
    EXPECT_TRUE(out.contains("missing-file: row " + ids["M1"] + " (M1, \\2024\\2024-03-01\\M1-2.tif)"))
        << qPrintable(out);
    // Not a terminal: no progress.
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()), QString());
    QFile csv(csvFile);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 8);
    EXPECT_EQ(lines.value(0), "finding,recfile_id,admission_id,file_name,path,detail");

    QProcess help;
    help.start(exe, {"--help"});
    ASSERT_TRUE(help.waitForFinished(30000));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(help.readAllStandardOutput()).contains("check-storage"));
}

} // namespace

// unlock-user forgets an ID's failed sign-ins (the other IDs keep theirs), says so, and says
// when there were none; it needs exactly one ID.
TEST_F(CheckStorageTest, UnlockUserForgetsTheFailedSignInsOfOneId) {
    {
        db::SqliteConnection c(dbFolder());
        c.execute("INSERT INTO Password..tbPasswordAttempts (EmployeeID, Failures, LastFailure, "
                  "LockedUntil) VALUES ('1002', 10, '2026-12-10 09:00:00', '2026-12-10 09:15:00')");
        c.execute("INSERT INTO Password..tbPasswordAttempts (EmployeeID, Failures, LastFailure, "
                  "LockedUntil) VALUES ('2001', 4, '2026-12-10 09:00:00', NULL)");
    }
    auto unlock = [&](QStringList args) {
        ToolRun r;
        QTextStream o(&r.out), e(&r.err);
        r.status = admin::runAdmin(args, {configFolder(), dir.file("data")}, o, e, false);
        o.flush();
        e.flush();
        return r;
    };
    const ToolRun first = unlock({"unlock-user", "1002"});
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, "Employee ID 1002 is unlocked: its failed sign-ins are forgotten.\n");
    const ToolRun again = unlock({"unlock-user", "1002"});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, "Employee ID 1002 has no failed sign-ins.\n");
    EXPECT_EQ(unlock({"unlock-user"}).status, 2);
    EXPECT_EQ(unlock({"unlock-user", "1002", "2001"}).status, 2);
    db::SqliteConnection c(dbFolder());
    EXPECT_EQ(c.execute("SELECT COUNT(*) FROM Password..tbPasswordAttempts")->value(0).toInt(), 1);
    EXPECT_EQ(c.execute("SELECT EmployeeID FROM Password..tbPasswordAttempts")->value(0).toString(),
              "2001");
}
