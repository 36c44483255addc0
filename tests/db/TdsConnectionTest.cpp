// The SQL Server backend against servers that misbehave: nothing listening, a socket that
// accepts and never answers, and a minimal TDS server that logs in, answers what it is told
// and then stops answering. Every case must end in db::Error within its timeout.
#include "db/TdsConnection.h"
#include "doubles/ScriptedTdsServer.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace doubles::tds;

db::ServerConfig config(int port, bool encrypt = false) {
    db::ServerConfig c;
    c.server = "127.0.0.1";
    c.port = port;
    c.user = "sa";
    c.encrypt = encrypt;
    c.loginTimeoutSeconds = 2;
    c.queryTimeoutSeconds = 1;
    return c;
}

// Answers the login, then one reply per batch from `replies`; after the last reply it reads on
// and answers nothing more.
class FakeServer {
public:
    explicit FakeServer(std::vector<Bytes> replies)
        : replies_(std::move(replies)),
          server_({{"sa", "pw"}}, [this](const std::string&, const std::string&) {
              std::lock_guard<std::mutex> l(mutex_);
              if (next_ < replies_.size()) return replies_[next_++];
              return Bytes{}; // silent from here on
          }) {}
    int port() const { return server_.port(); }

private:
    std::vector<Bytes> replies_;
    std::mutex mutex_;
    size_t next_ = 0;
    ScriptedServer server_;
};

TEST(TdsConnection, NothingListeningFailsAtOnce) {
    QElapsedTimer t;
    t.start();
    try {
        db::TdsConnection c(config(freePort()), "pw");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.number(), 20009);
        EXPECT_FALSE(e.description().isEmpty());
    }
    EXPECT_LT(t.elapsed(), 1000);
}

TEST(TdsConnection, ASilentServerEndsTheLoginAtTheLoginTimeout) {
    Listener silent; // accepts (in the backlog) and never answers
    QElapsedTimer t;
    t.start();
    try {
        db::TdsConnection c(config(silent.port), "pw");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.number(), 20003);
    }
    EXPECT_GE(t.elapsed(), 1500);
    EXPECT_LT(t.elapsed(), 6000);
}

TEST(TdsConnection, NoHostConfiguredIsAnError) {
    db::ServerConfig c = config(1433);
    c.server.clear();
    EXPECT_THROW(db::TdsConnection(c, "pw"), db::Error);
}

TEST(TdsConnection, AQueryTheServerNeverAnswersTimesOut) {
    FakeServer server({done()}); // answers the session set-up only
    db::TdsConnection c(config(server.port()), "pw");
    EXPECT_TRUE(c.isOpen());
    EXPECT_EQ(c.commandTimeout(), 1);
    QElapsedTimer t;
    t.start();
    try {
        c.execute("SELECT 1");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.number(), 20003);
        EXPECT_EQ(e.statement(), "SELECT 1");
    }
    EXPECT_GE(t.elapsed(), 800);
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_THROW(c.execute("SELECT 1"), db::Error); // the connection is not left hanging
}

TEST(TdsConnection, CountsAndServerErrorsComeBack) {
    FakeServer server(
        {done(), done(0x10, 3), done(0x10, 0), serverError(208, "Invalid object name 'nowhere'.")});
    db::TdsConnection c(config(server.port()), "pw");
    long n = -1;
    auto rs = c.execute("update t set a = 1", &n);
    EXPECT_EQ(n, 3);
    EXPECT_FALSE(rs->isOpen());
    c.execute("update t set a = 1 where 1 = 0", &n);
    EXPECT_EQ(n, 0);
    try {
        c.execute("select * from nowhere");
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.number(), 208);
        EXPECT_EQ(e.description(), "Invalid object name 'nowhere'.");
        EXPECT_EQ(e.statement(), "select * from nowhere");
    }
}

// Encryption is required unless turned off: a server that offers none is refused with a
// message that says so, and the same server is used when the setting is off.
TEST(TdsConnection, AServerWithoutEncryptionIsRefusedUnlessEncryptionIsTurnedOff) {
    ScriptedServer server({{"sa", "pw"}}, {});
    try {
        db::TdsConnection c(config(server.port(), true), "pw");
        FAIL() << "connected without encryption";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.number(), db::TdsConnection::kEncryptionRefused) << e.description().toStdString();
        EXPECT_TRUE(e.description().contains("does not offer an encrypted connection"))
            << e.description().toStdString();
    }
    EXPECT_EQ(server.logins(), 0); // no login, no password went over the plain connection
    db::TdsConnection plain(config(server.port(), false), "pw");
    EXPECT_TRUE(plain.isOpen());
    db::ConnectionSettings s;
    s.backend = db::ConnectionSettings::Backend::SqlServer;
    s.server = config(server.port(), false);
    EXPECT_TRUE(db::connectionNotice(s, false).contains("NOT ENCRYPTED"));
    s.server.encrypt = true;
    EXPECT_FALSE(db::connectionNotice(s, false).contains("NOT ENCRYPTED"));
}

} // namespace
