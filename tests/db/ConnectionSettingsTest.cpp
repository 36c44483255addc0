// The connection settings file and the choice of backend.
#include "db/ServerConfig.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

QString write(const testsupport::TempDir& dir, const QByteArray& text) {
    const QString path = dir.file("connection.ini");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return path;
}

TEST(ConnectionSettings, DefaultsWithoutAFile) {
    const db::ConnectionSettings s = db::loadConnectionSettings("/nonexistent/connection.ini");
    EXPECT_EQ(s.backend, db::ConnectionSettings::Backend::Embedded);
    EXPECT_EQ(s.server.port, 1433);
    EXPECT_EQ(s.server.database, "dbRecords");
    EXPECT_EQ(s.server.loginTimeoutSeconds, 10);
    EXPECT_EQ(s.server.queryTimeoutSeconds, 120);
}

TEST(ConnectionSettings, ReadsTheServerSection) {
    testsupport::TempDir dir;
    const auto s = db::loadConnectionSettings(
        write(dir, "[Database]\nBackend=SqlServer\n[Server]\nHost=records.example\nPort=14330\n"
                   "Database=dbRecordsTest\nUser=docuvane\nLoginTimeout=5\nQueryTimeout=60\n"
                   "Authentication=Kerberos\nServicePrincipal=MSSQLSvc/records.example:14330\n"
                   "CAFile=/etc/ssl/hospital-ca.pem\n"));
    EXPECT_EQ(s.backend, db::ConnectionSettings::Backend::SqlServer);
    EXPECT_EQ(s.server.server, "records.example");
    EXPECT_EQ(s.server.port, 14330);
    EXPECT_EQ(s.server.database, "dbRecordsTest");
    EXPECT_EQ(s.server.user, ""); // a shared login in the file is not used: each signs in
    EXPECT_EQ(s.server.authentication, db::ServerConfig::Authentication::Kerberos);
    EXPECT_EQ(s.server.servicePrincipal, "MSSQLSvc/records.example:14330");
    EXPECT_TRUE(s.server.encrypt); // required unless turned off
    EXPECT_TRUE(s.server.checkCertificateName);
    EXPECT_EQ(s.server.caFile, "/etc/ssl/hospital-ca.pem");
    const auto off = db::loadConnectionSettings(
        write(dir, "[Server]\nEncrypt=no\nCheckCertificateName=no\nAuthentication=sql\n"));
    EXPECT_FALSE(off.server.encrypt);
    EXPECT_FALSE(off.server.checkCertificateName);
    EXPECT_EQ(off.server.authentication, db::ServerConfig::Authentication::SqlLogin);
    EXPECT_EQ(s.server.loginTimeoutSeconds, 5);
    EXPECT_EQ(s.server.queryTimeoutSeconds, 60);
}

TEST(ConnectionSettings, RejectsBadValuesNamingTheKey) {
    testsupport::TempDir dir;
    for (const QByteArray& bad :
         {QByteArray("[Database]\nBackend=oracle\n"), QByteArray("[Server]\nPort=http\n"),
          QByteArray("[Server]\nLoginTimeout=0\n"), QByteArray("[Server]\nQueryTimeout=-5\n"),
          QByteArray("[Server]\nEncrypt=maybe\n"), QByteArray("[Server]\nAuthentication=ntlm\n")}) {
        try {
            db::loadConnectionSettings(write(dir, bad));
            ADD_FAILURE() << bad.toStdString();
        } catch (const db::Error& e) {
            const QString key = QString::fromLatin1(bad).section('\n', 1, 1).section('=', 0, 0);
            EXPECT_TRUE(e.description().contains(key)) << e.description().toStdString();
        }
    }
}

TEST(ConnectionSettings, TheEmbeddedBackendIsCreatedOnFirstUse) {
    testsupport::TempDir dir;
    db::ConnectionSettings s;
    s.embeddedFolder = dir.file("data");
    auto c = db::openConnection(s, {}, {});
    EXPECT_TRUE(c->isOpen());
    EXPECT_EQ(c->commandTimeout(), 120);
    EXPECT_EQ(c->execute("SELECT count(*) FROM dbRecords..tblRecType")->value(0).toInt(), 9);
    db::ConnectionSettings none;
    EXPECT_THROW(db::openConnection(none, {}, {}), db::Error);
}

TEST(ConnectionSettings, TheServerBackendUsesTheServerSection) {
    db::ConnectionSettings s;
    s.backend = db::ConnectionSettings::Backend::SqlServer;
    s.server.server = "127.0.0.1";
    s.server.port = 1; // nothing listens there
    s.server.loginTimeoutSeconds = 1;
    try {
        db::openConnection(s, "user", "pw");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.number(), 20009);
    }
}

} // namespace
