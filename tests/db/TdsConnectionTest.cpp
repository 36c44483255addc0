// The SQL Server backend against servers that misbehave: nothing listening, a socket that
// accepts and never answers, and a minimal TDS server that logs in, answers what it is told
// and then stops answering. Every case must end in db::Error within its timeout.
#include "db/TdsConnection.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// A listening socket on a free loopback port.
struct Listener {
    int fd = -1;
    int port = 0;
    Listener() {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(fd, 4);
        socklen_t len = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~Listener() { closeNow(); }
    void closeNow() {
        if (fd >= 0) {
            shutdown(fd, SHUT_RDWR);
            close(fd);
        }
        fd = -1;
    }
};

int freePort() {
    Listener l;
    const int port = l.port;
    l.closeNow();
    return port;
}

db::ServerConfig config(int port) {
    db::ServerConfig c;
    c.server = "127.0.0.1";
    c.port = port;
    c.user = "sa";
    c.loginTimeoutSeconds = 2;
    c.queryTimeoutSeconds = 1;
    return c;
}

bool readPacket(int fd, Bytes& body) {
    body.clear();
    for (;;) {
        unsigned char h[8];
        for (size_t got = 0; got < 8;) {
            const ssize_t n = recv(fd, h + got, 8 - got, 0);
            if (n <= 0) return false;
            got += size_t(n);
        }
        Bytes part(((h[2] << 8) | h[3]) - 8);
        for (size_t got = 0; got < part.size();) {
            const ssize_t n = recv(fd, part.data() + got, part.size() - got, 0);
            if (n <= 0) return false;
            got += size_t(n);
        }
        body.insert(body.end(), part.begin(), part.end());
        if (h[1] & 1) return true;
    }
}

void sendReply(int fd, const Bytes& body) {
    Bytes p{0x04, 0x01, 0, 0, 0, 0, 1, 0};
    const size_t len = 8 + body.size();
    p[2] = static_cast<unsigned char>(len >> 8);
    p[3] = static_cast<unsigned char>(len & 0xff);
    p.insert(p.end(), body.begin(), body.end());
    send(fd, p.data(), p.size(), MSG_NOSIGNAL);
}

Bytes done(unsigned short status = 0, unsigned long long count = 0) {
    Bytes b{0xFD, static_cast<unsigned char>(status), static_cast<unsigned char>(status >> 8), 0,
            0};
    for (int i = 0; i < 8; ++i)
        b.push_back(static_cast<unsigned char>(count >> (8 * i)));
    return b;
}

Bytes ucs2(const std::string& s) {
    Bytes b;
    for (char c : s) {
        b.push_back(static_cast<unsigned char>(c));
        b.push_back(0);
    }
    return b;
}

// An ERROR token as SQL Server sends it, followed by DONE with the error flag.
Bytes serverError(int number, const std::string& text) {
    Bytes body;
    for (int i = 0; i < 4; ++i)
        body.push_back(static_cast<unsigned char>(number >> (8 * i)));
    body.push_back(1);  // state
    body.push_back(16); // severity
    body.push_back(static_cast<unsigned char>(text.size()));
    body.push_back(0);
    const Bytes t = ucs2(text);
    body.insert(body.end(), t.begin(), t.end());
    body.push_back(0); // server name
    body.push_back(0); // procedure name
    for (int i = 0; i < 4; ++i)
        body.push_back(i == 0 ? 1 : 0); // line
    Bytes token{0xAA, static_cast<unsigned char>(body.size()),
                static_cast<unsigned char>(body.size() >> 8)};
    token.insert(token.end(), body.begin(), body.end());
    const Bytes d = done(0x02);
    token.insert(token.end(), d.begin(), d.end());
    return token;
}

// Answers the pre-login and the login, then one reply per batch from `replies`; after the last
// reply it reads on and answers nothing more.
class FakeServer {
public:
    explicit FakeServer(std::vector<Bytes> replies) : replies_(std::move(replies)) {
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeServer() {
        listener_.closeNow();
        if (client_ >= 0) shutdown(client_, SHUT_RDWR);
        thread_.join();
        if (client_ >= 0) close(client_);
    }
    int port() const { return listener_.port; }

private:
    void serve() {
        client_ = accept(listener_.fd, nullptr, nullptr);
        if (client_ < 0) return;
        Bytes body;
        if (!readPacket(client_, body)) // PRELOGIN
            return;
        // VERSION and ENCRYPTION (not supported), then the terminator.
        sendReply(client_,
                  {0x00, 0, 11, 0, 6, 0x01, 0, 17, 0, 1, 0xFF, 0x0f, 0, 0x07, 0xd0, 0, 0, 0x02});
        if (!readPacket(client_, body)) // LOGIN7
            return;
        Bytes ack{0xAD, 12, 0, 1, 0x74, 0, 0, 4, 1, 'x', 0, 15, 0, 0x07, 0xd0};
        const Bytes d = done();
        ack.insert(ack.end(), d.begin(), d.end());
        sendReply(client_, ack);
        size_t next = 0;
        while (readPacket(client_, body)) {
            if (next < replies_.size()) sendReply(client_, replies_[next++]);
        }
    }

    Listener listener_;
    std::vector<Bytes> replies_;
    int client_ = -1;
    std::thread thread_;
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

} // namespace
