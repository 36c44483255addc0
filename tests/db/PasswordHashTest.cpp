// Password hashes: PBKDF2-HMAC-SHA256 checked against an independent computation over Qt's
// HMAC and the published test vector, and the stored text form.
#include "db/PasswordHash.h"

#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "db/SqliteSession.h"
#include "support/TempDir.h"

#include <QFile>
#include <QMessageAuthenticationCode>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

// PBKDF2 straight from its definition, one HMAC call per iteration.
QByteArray referencePbkdf2(const QByteArray& password, const QByteArray& salt, int iterations,
                           int length) {
    QByteArray out;
    for (quint32 block = 1; out.size() < length; ++block) {
        QByteArray first = salt;
        first.append(char(block >> 24)).append(char(block >> 16)).append(char(block >> 8));
        first.append(char(block));
        QByteArray u =
            QMessageAuthenticationCode::hash(first, password, QCryptographicHash::Sha256);
        QByteArray acc = u;
        for (int i = 1; i < iterations; ++i) {
            u = QMessageAuthenticationCode::hash(u, password, QCryptographicHash::Sha256);
            for (int j = 0; j < acc.size(); ++j)
                acc[j] = char(acc[j] ^ u[j]);
        }
        out += acc;
    }
    return out.left(length);
}

TEST(Pbkdf2, MatchesThePublishedVectorAndAReferenceComputation) {
    // RFC 7914, section 11: PBKDF2-HMAC-SHA256 ("passwd", "salt", 1 iteration, 64 bytes).
    EXPECT_EQ(db::pbkdf2Sha256("passwd", "salt", 1, 64).toHex(),
              "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc49ca9cccf179b645"
              "991664b39d77ef317c71b845b1e30bd509112041d3a19783");
    const QByteArray longKey(100, 'k'); // longer than a block: hashed first
    for (const QByteArray& pw :
         {QByteArray("records"), QByteArray(), longKey, QString::fromUtf8("Nguyễn").toUtf8()})
        EXPECT_EQ(db::pbkdf2Sha256(pw, "0123456789abcdef", 257, 40),
                  referencePbkdf2(pw, "0123456789abcdef", 257, 40));
}

TEST(PasswordHash, StoresASelfDescribingSaltedHash) {
    const QString h = db::hashPasswordPbkdf2("records", 1000);
    const QStringList parts = h.split('$');
    ASSERT_EQ(parts.size(), 4);
    EXPECT_EQ(parts[0], "pbkdf2-sha256");
    EXPECT_EQ(parts[1], "1000");
    EXPECT_EQ(parts[2].size(), 32);
    EXPECT_EQ(parts[3].size(), 64);
    EXPECT_EQ(QByteArray::fromHex(parts[3].toLatin1()),
              referencePbkdf2("records", QByteArray::fromHex(parts[2].toLatin1()), 1000, 32));
    EXPECT_NE(db::hashPasswordPbkdf2("records", 1000), h); // a fresh salt each time
    EXPECT_GE(db::kPbkdf2Iterations, 100000);
}

TEST(PasswordHash, VerifiesOnlyTheRightPassword) {
    const QString h = db::hashPasswordPbkdf2("s3cret", 50);
    EXPECT_TRUE(db::verifyPassword("s3cret", h));
    EXPECT_FALSE(db::verifyPassword("S3cret", h));
    EXPECT_FALSE(db::verifyPassword("", h));
    QString tampered = h;
    tampered[tampered.size() - 1] = tampered.endsWith('0') ? '1' : '0';
    EXPECT_FALSE(db::verifyPassword("s3cret", tampered));
    for (const QString& bad : {QString(), QString("plain"), QString("md5$1$00$00"),
                               QString("pbkdf2-sha256$0$00$" + QString(64, '0')),
                               QString("pbkdf2-sha256$x$00$" + QString(64, '0')),
                               QString("pbkdf2-sha256$99999999$00$" + QString(64, '0')),
                               QString("pbkdf2-sha256$10$zz$" + QString(64, '0'))})
        EXPECT_FALSE(db::verifyPassword("s3cret", bad)) << bad.toStdString();
}

// New hashes are Argon2id at OWASP's first setting (19 MiB, two passes, one lane); hashes of
// the earlier form and cheaper ones still verify and are the ones to replace.
TEST(PasswordHash, NewHashesAreArgon2idAndOlderOnesAreMarkedForReplacement) {
    const QString h = db::hashPassword("s3cret");
    EXPECT_TRUE(h.startsWith("$argon2id$v=19$m=19456,t=2,p=1$")) << h.toStdString();
    EXPECT_NE(db::hashPassword("s3cret"), h); // a fresh salt each time
    const QString cheap = db::hashPassword("s3cret", db::PasswordCost::cheapForTests());
    const QString older = db::hashPasswordPbkdf2("s3cret", 50);
    struct Case {
        QString stored;
        bool needsRehash;
    } cases[] = {{h, false}, {cheap, true}, {older, true}};
    for (const auto& c : cases) {
        EXPECT_TRUE(db::verifyPassword("s3cret", c.stored)) << c.stored.toStdString();
        EXPECT_FALSE(db::verifyPassword("s3cret ", c.stored)) << c.stored.toStdString();
        EXPECT_EQ(db::passwordNeedsRehash(c.stored), c.needsRehash) << c.stored.toStdString();
    }
    QString tampered = h;
    tampered[tampered.size() - 2] = tampered[tampered.size() - 2] == 'A' ? 'B' : 'A';
    EXPECT_FALSE(db::verifyPassword("s3cret", tampered));
    EXPECT_FALSE(db::verifyPassword("s3cret", "$argon2id$v=19$m=19456,t=2,p=1$garbage"));
    EXPECT_FALSE(db::verifyPasswordOfNobody("s3cret"));
    EXPECT_FALSE(db::verifyPasswordOfNobody(""));
}

TEST(EmbeddedDatabase, DemoUsersSignInWithTheirDocumentedPasswords) {
    testsupport::TempDir dir;
    db::EmbeddedDatabase::Options options;
    options.passwordCost = db::PasswordCost::cheapForTests();
    EXPECT_EQ(db::EmbeddedDatabase::ensure(dir.path(), options),
              db::SqliteConnection::databaseNames());
    db::SqliteConnection conn(dir.path());
    const std::pair<const char*, const char*> expected[] = {
        {"1001", "ASV"}, {"1002", "BV"}, {"2001", "V"}, {"3001", "AV"}, {"9001", "ASVX"}};
    for (const auto& user : db::EmbeddedDatabase::demoUsers()) {
        auto rs = conn.execute("SELECT PasswordHash, UserRights FROM Password..tbPasswordMaster "
                               "WHERE EmployeeID = '" +
                               user.employeeId + "'");
        ASSERT_FALSE(rs->eof());
        EXPECT_TRUE(db::verifyPassword(user.password, rs->text("PasswordHash")));
        EXPECT_FALSE(db::verifyPassword(user.password + "x", rs->text("PasswordHash")));
        bool found = false;
        for (const auto& [id, rights] : expected)
            if (user.employeeId == id) {
                found = true;
                EXPECT_EQ(rs->text("UserRights"), rights);
            }
        EXPECT_TRUE(found);
    }
}

TEST(EmbeddedDatabase, CreatesOnlyMissingFilesAndStaysReadableWithoutTheCollation) {
    testsupport::TempDir dir;
    db::EmbeddedDatabase::Options options;
    options.passwordCost = db::PasswordCost::cheapForTests();
    db::EmbeddedDatabase::ensure(dir.path(), options);
    {
        db::SqliteConnection conn(dir.path());
        conn.execute("DELETE FROM dbRecords..tblRecFiles");
    }
    QFile::remove(db::SqliteConnection::databaseFile(dir.path(), "PayrollDB"));
    EXPECT_EQ(db::EmbeddedDatabase::ensure(dir.path(), options), QStringList{"PayrollDB"});
    db::SqliteConnection conn(dir.path());
    EXPECT_EQ(conn.execute("SELECT count(*) FROM dbRecords..tblRecFiles")->value(0).toInt(), 0);
    EXPECT_EQ(conn.execute("SELECT count(*) FROM PayrollDB..tbPMaster")->value(0).toInt(), 15);

    // A plain SQLite connection, without the program's functions, reads every table (a plain
    // scan; a query the planner would answer from a collated index fails) and writes
    // the user and payroll tables; the records and patient tables carry the search's indexes
    // in the program's collation, so writing them needs it (and fails cleanly without it).
    for (const char* name : {"dbRecords", "PATIENT_DATA", "Password", "PayrollDB"}) {
        sqlite3* raw = nullptr;
        ASSERT_EQ(
            sqlite3_open(db::SqliteConnection::databaseFile(dir.path(), name).toUtf8().constData(),
                         &raw),
            SQLITE_OK);
        char* err = nullptr;
        const std::string n = name;
        const char* sql = n == "dbRecords"      ? "INSERT INTO tblRecFiles(admission_id) VALUES('p');"
                          : n == "PATIENT_DATA" ? "INSERT INTO tbMaster(HospNum) VALUES('p');"
                          : n == "Password" ? "INSERT INTO tbPasswordMaster(EmployeeID) VALUES('p');"
                                            : "INSERT INTO tbPMaster(EmpNum) VALUES('p');";
        const char* read = n == "dbRecords"      ? "SELECT * FROM tblRecFiles;"
                           : n == "PATIENT_DATA" ? "SELECT * FROM tbMaster;"
                           : n == "Password"     ? "SELECT * FROM tbPasswordMaster;"
                                                 : "SELECT * FROM tbPMaster;";
        EXPECT_EQ(sqlite3_exec(raw, read, nullptr, nullptr, nullptr), SQLITE_OK) << name;
        const int rc = sqlite3_exec(raw, sql, nullptr, nullptr, &err);
        if (n == "dbRecords" || n == "PATIENT_DATA") {
            EXPECT_NE(rc, SQLITE_OK) << name;
            EXPECT_NE(std::string(err ? err : "").find("collation"), std::string::npos) << name;
        } else {
            EXPECT_EQ(rc, SQLITE_OK) << name << ": " << (err ? err : "");
        }
        sqlite3_free(err);
        sqlite3_close(raw);
    }
    conn.execute("INSERT INTO dbRecords..tblRecFiles(admission_id) VALUES('p')");
    EXPECT_EQ(conn.execute("SELECT count(*) FROM dbRecords..tblRecFiles WHERE admission_id = 'P'")
                  ->value(0)
                  .toInt(),
              1);
}

// A file of an earlier version: the name index of the patients without the names, the
// in-patients' index in the program's collation missing, statistics taken. The next start
// brings both indexes to today's columns, with statistics, and keeps every row; the unique
// index it lacks is the schema update's business and stays missing.
TEST(EmbeddedDatabase, EarlierFilesGetTodaysSearchIndexes) {
    testsupport::TempDir dir;
    db::EmbeddedDatabase::Options options;
    options.passwordCost = db::PasswordCost::cheapForTests();
    db::EmbeddedDatabase::ensure(dir.path(), options);
    const QString file = db::SqliteConnection::databaseFile(dir.path(), "PATIENT_DATA");
    const auto keyColumns = [&](const QString& index) {
        db::SqliteSession s(file);
        QStringList out;
        for (const db::Row& r :
             s.run("SELECT name, coll FROM pragma_index_xinfo(?1) WHERE key = 1 ORDER BY seqno",
                   {index})
                 .rows)
            out << r[0].toString() + " " + r[1].toString();
        return out;
    };
    int patients = 0;
    {
        db::SqliteSession s(file);
        s.runScript("DROP INDEX tbMaster_HospNum_TSQL; DROP INDEX tbPatient_HospNum_TSQL; "
                    "DROP INDEX tbOutPatient_IdNum; "
                    "CREATE INDEX tbMaster_HospNum_TSQL ON tbMaster (HospNum COLLATE TSQL); "
                    "ANALYZE;");
        patients = s.run("SELECT count(*) FROM tbMaster").rows.at(0).at(0).toInt();
    }
    ASSERT_GT(patients, 0);
    ASSERT_EQ(keyColumns("tbMaster_HospNum_TSQL"), QStringList{"HospNum TSQL"});

    EXPECT_EQ(db::EmbeddedDatabase::ensure(dir.path(), options), QStringList{});
    EXPECT_EQ(keyColumns("tbMaster_HospNum_TSQL"),
              (QStringList{"HospNum TSQL", "LastName TSQL", "FirstName TSQL"}));
    EXPECT_EQ(keyColumns("tbPatient_HospNum_TSQL"), QStringList{"HospNum TSQL"});
    EXPECT_EQ(keyColumns("tbOutPatient_IdNum"), QStringList{});
    db::SqliteSession s(file);
    EXPECT_EQ(s.run("SELECT count(*) FROM sqlite_stat1 WHERE idx = 'tbMaster_HospNum_TSQL'")
                  .rows.at(0)
                  .at(0)
                  .toInt(),
              1);
    EXPECT_EQ(s.run("SELECT count(*) FROM tbMaster").rows.at(0).at(0).toInt(), patients);
}

TEST(EmbeddedDatabase, MissingFilesAreReported) {
    testsupport::TempDir dir;
    try {
        db::SqliteConnection conn(dir.path());
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.number(), 4060);
    }
}

} // namespace
