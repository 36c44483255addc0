// The access history's writer: rows with every column, a database that goes away during work
// (the actions go on, the spool fills, the rows arrive when it is back, with their own
// times), a program killed with rows spooled (none lost), and the SQL Server script's grants.
#include "db/DbError.h"
#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "history/DatabaseRecorder.h"
#include "records/HistoryStatements.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <sys/stat.h>

namespace {

using namespace std::chrono_literals;

// A records database that can be taken away and brought back: while it is away, statements
// on an open connection and new connections fail as a lost server's do.
struct Reachability {
    std::atomic<bool> away{false};
};

class SwitchedConnection : public db::Connection {
public:
    SwitchedConnection(const QString& folder, Reachability& r)
        : real_(std::make_unique<db::SqliteConnection>(folder)), r_(r) {}
    db::RecordsetPtr execute(const QString& text, long* rowsAffected) override {
        if (r_.away) throw db::Error(10054, "Communication link failure", text);
        return real_->execute(text, rowsAffected);
    }
    db::RecordsetPtr open(const QString& text, db::CursorOptions o) override {
        if (r_.away) throw db::Error(10054, "Communication link failure", text);
        return real_->open(text, o);
    }
    void setCommandTimeout(int s) override { real_->setCommandTimeout(s); }
    int commandTimeout() const override { return real_->commandTimeout(); }
    void setCursorLocation(int l) override { real_->setCursorLocation(l); }
    int cursorLocation() const override { return real_->cursorLocation(); }
    QString currentDatabase() const override { return real_->currentDatabase(); }
    bool isOpen() const override { return real_->isOpen(); }
    void close() override { real_->close(); }

private:
    std::unique_ptr<db::SqliteConnection> real_;
    Reachability& r_;
};

class HistoryWriter : public ::testing::Test {
protected:
    void SetUp() override {
        db::EmbeddedDatabase::Options o;
        o.demoData = false;
        db::EmbeddedDatabase::ensure(dbFolder(), o);
        reader = std::make_unique<db::SqliteConnection>(dbFolder());
    }
    QString dbFolder() const { return dir.file("db"); }
    QString spoolFile() const { return dir.file("data/history/spool.jsonl"); }

    std::unique_ptr<history::DatabaseRecorder> makeRecorder() {
        history::DatabaseRecorder::Options o;
        o.spoolFile = spoolFile();
        o.retryInterval = 20ms;
        o.log = [this](const QString& line) {
            std::lock_guard lock(logMutex);
            log << line;
        };
        return std::make_unique<history::DatabaseRecorder>(
            [this]() -> std::unique_ptr<db::Connection> {
                if (reach.away) throw db::Error(17, "SQL Server does not exist or access denied.");
                return std::make_unique<SwitchedConnection>(dbFolder(), reach);
            },
            o);
    }

    // Every history row, oldest first: the columns after history_id, NULL as "NULL".
    std::vector<QStringList> rows() {
        auto rs = reader->execute("SELECT CONVERT(varchar(23), at, 121) AS at_text, employee, "
                                  "workstation, access_type, department, action, recfile_id, "
                                  "admission_id, hosp_num, file_name, pages, details FROM "
                                  "dbRecords..tblRecHistory ORDER BY history_id");
        std::vector<QStringList> out;
        for (const auto& row : rs->rows()) {
            QStringList l;
            for (const QVariant& v : row) l << (v.isNull() ? QStringLiteral("NULL") : v.toString());
            out.push_back(l);
        }
        return out;
    }
    // Waits until the table has `n` rows (the writer works on its own thread).
    bool waitForRows(size_t n) {
        for (int i = 0; i < 1000; ++i) {
            if (rows().size() >= n) return rows().size() == n;
            QThread::msleep(10);
        }
        return false;
    }
    QStringList logLines() {
        std::lock_guard lock(logMutex);
        return log;
    }

    testsupport::TempDir dir;
    Reachability reach;
    std::unique_ptr<db::SqliteConnection> reader;
    std::mutex logMutex;
    QStringList log;
};

history::Event numbered(int n, const QDateTime& at = {}) {
    history::Event e;
    e.action = history::Action::Print;
    e.at = at;
    e.employee = "1001";
    e.recFileId = 42;
    e.hospitalNumber = "H-77";
    e.pages = QString::number(n);
    e.details = "n=" + QString::number(n);
    return e;
}

TEST_F(HistoryWriter, ARowHasEveryColumnAndTheDatabasesTime) {
    auto recorder = makeRecorder();
    history::Event e;
    e.action = history::Action::SaveAs;
    e.employee = "1001";
    e.workstation = "WS-12";
    e.accessType = "medical records";
    e.department = "19";
    e.recFileId = 9;
    e.admissionId = "250123";
    e.hospitalNumber = "O'Hara-1";
    e.fileName = "/records/2025/250123-1.tif";
    e.pages = "1-3";
    e.details = "to /home/u/copy.tif";
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-5);
    recorder->record(e);
    ASSERT_TRUE(waitForRows(1));
    const QDateTime after = QDateTime::currentDateTime().addMSecs(5);
    const QStringList r = rows().front();
    EXPECT_EQ(r.mid(1), (QStringList{"1001", "WS-12", "medical records", "19", "save as", "9",
                                     "250123", "O'Hara-1", "/records/2025/250123-1.tif", "1-3",
                                     "to /home/u/copy.tif"}));
    const QDateTime at = QDateTime::fromString(r[0], "yyyy-MM-dd HH:mm:ss.zzz");
    EXPECT_TRUE(at >= before && at <= after) << qPrintable(r[0]);
    // An event about no filed record leaves the record's columns empty (NULL).
    history::Event signIn;
    signIn.action = history::Action::SignInFailed;
    signIn.employee = "1009";
    recorder->record(signIn);
    ASSERT_TRUE(waitForRows(2));
    EXPECT_EQ(rows()[1].mid(1), (QStringList{"1009", "NULL", "NULL", "NULL", "failed sign-in",
                                             "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"}));
    EXPECT_FALSE(QFileInfo::exists(spoolFile()));
}

TEST_F(HistoryWriter, ADatabaseThatGoesAwayFillsTheSpoolAndGetsTheRowsWhenBack) {
    auto recorder = makeRecorder();
    for (int n = 0; n < 3; ++n) recorder->record(numbered(n));
    ASSERT_TRUE(waitForRows(3));

    reach.away = true;
    // The actions go on: each event is queued at once, while the database cannot be reached.
    const QDateTime when(QDate(2026, 3, 14), QTime(9, 26, 53, 589));
    for (int n = 3; n < 10; ++n) recorder->record(numbered(n, when.addSecs(n)));
    ASSERT_TRUE(recorder->waitUntilIdle(10s));
    EXPECT_EQ(rows().size(), 3u);
    const auto spooled = recorder->spool().read();
    ASSERT_EQ(spooled.size(), 7u);
    EXPECT_EQ(spooled.front().details, "n=3");
    EXPECT_EQ(spooled.back().details, "n=9");
    struct stat st{};
    ASSERT_EQ(::stat(QFile::encodeName(spoolFile()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(dir.file("data/history")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    const QStringList whileAway = logLines();
    ASSERT_EQ(whileAway.size(), 1) << qPrintable(whileAway.join('\n'));
    EXPECT_TRUE(whileAway[0].contains("kept in the local spool file " + spoolFile()));

    reach.away = false;
    // A row recorded now reaches the database after the spooled ones (through the spool when
    // the writer has not tried the database again yet), so the rows keep their order.
    recorder->record(numbered(10));
    ASSERT_TRUE(waitForRows(11));
    const auto all = rows();
    for (int n = 0; n < 11; ++n) EXPECT_EQ(all[size_t(n)][11], "n=" + QString::number(n));
    // Spooled rows keep the time of their action.
    for (int n = 3; n < 10; ++n)
        EXPECT_EQ(all[size_t(n)][0], when.addSecs(n).toString("yyyy-MM-dd HH:mm:ss.zzz"));
    EXPECT_TRUE(recorder->spool().empty());
    ASSERT_TRUE(recorder->waitUntilIdle(10s));
    EXPECT_EQ(logLines().size(), 2);
    const auto sent = QRegularExpression("answers again; (\\d+) spooled history row\\(s\\) written")
                          .match(logLines().back());
    ASSERT_TRUE(sent.hasMatch()) << qPrintable(logLines().join('\n'));
    EXPECT_TRUE(sent.captured(1) == "7" || sent.captured(1) == "8") << qPrintable(sent.captured(1));
}

TEST_F(HistoryWriter, AProgramKilledWithRowsSpooledLosesNoneOfThem) {
    const QString helper = QCoreApplication::applicationDirPath() + "/history_spool_helper";
    ASSERT_TRUE(QFileInfo(helper).isExecutable()) << qPrintable(helper);
    QProcess child;
    child.start(helper, {spoolFile(), dir.file("no-database-here")});
    ASSERT_TRUE(child.waitForStarted());
    ASSERT_TRUE(child.waitForReadyRead(60000));
    EXPECT_EQ(child.readLine().trimmed(), "spooled 200");
    QThread::msleep(50); // more rows queued and spooled meanwhile
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished());

    const size_t spooled = history::Spool(spoolFile()).read().size();
    ASSERT_GE(spooled, 200u);
    // The next run finds the spool and sends it, in its order: every spooled row arrives.
    auto recorder = makeRecorder();
    ASSERT_TRUE(waitForRows(spooled));
    const auto all = rows();
    for (size_t n = 0; n < all.size(); ++n) ASSERT_EQ(all[n][11], QString::number(n));
    EXPECT_TRUE(recorder->spool().empty());
}

TEST(HistoryGrants, TheProgramsRolesMayAddHistoryOnlyAdministratorsReadItNobodyChangesIt) {
    QFile f(testsupport::sourceDir() + "/sql/sqlserver/03-history.sql");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString script = QString::fromUtf8(f.readAll());
    const std::pair<QString, QString> roles[] = {{"docuvane_viewer", "INSERT"},
                                                 {"docuvane_clerk", "INSERT"},
                                                 {"docuvane_administrator", "INSERT, SELECT"}};
    for (const auto& [role, allowed] : roles) {
        SCOPED_TRACE(role.toStdString());
        const int guard = script.indexOf(
            QRegularExpression("IF DATABASE_PRINCIPAL_ID\\(N'" + role +
                               "'\\) IS NULL\\s+CREATE ROLE " + role + ";"));
        const int grant = script.indexOf(QRegularExpression(
            "GRANT " + allowed + " ON dbo\\.tblRecHistory TO " + role + ";"));
        const int deny = script.indexOf(QRegularExpression(
            "DENY UPDATE, DELETE ON dbo\\.tblRecHistory TO " + role + ";"));
        EXPECT_GE(guard, 0);
        EXPECT_GT(grant, guard);
        EXPECT_GT(deny, guard);
    }
    // No statement of the script gives anyone the right to change or remove a row.
    static const QRegularExpression grants("^\\s*GRANT\\s+([^\\n]*)", QRegularExpression::MultilineOption);
    int count = 0;
    for (auto it = grants.globalMatch(script); it.hasNext(); ++count) {
        const QString g = it.next().captured(1).toUpper();
        EXPECT_FALSE(g.contains("UPDATE") || g.contains("DELETE") || g.contains("ALTER") ||
                     g.contains("CONTROL") || g.contains(" ALL"))
            << qPrintable(g);
    }
    EXPECT_EQ(count, 4);
    EXPECT_TRUE(script.contains("GRANT EXECUTE ON dbo.sp_PatientAccess TO docuvane_administrator;"));
}

} // namespace
