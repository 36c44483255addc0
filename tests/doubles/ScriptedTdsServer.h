#pragma once
// A minimal SQL Server on a loopback port, speaking just enough TDS 7.4 for the program's
// client library: it answers the pre-login (offering no encryption), checks the login's name
// and password against its own accounts, and answers each batch through a script (a reply per
// statement text). Header only, for the database and sign-in tests.
#include <arpa/inet.h>
#include <functional>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace doubles::tds {

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
        listen(fd, 8);
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

inline int freePort() {
    Listener l;
    const int port = l.port;
    l.closeNow();
    return port;
}

inline bool readPacket(int fd, Bytes& body, unsigned char* type = nullptr) {
    body.clear();
    for (;;) {
        unsigned char h[8];
        for (size_t got = 0; got < 8;) {
            const ssize_t n = recv(fd, h + got, 8 - got, 0);
            if (n <= 0) return false;
            got += size_t(n);
        }
        if (type) *type = h[0];
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

inline void sendReply(int fd, const Bytes& body) {
    Bytes p{0x04, 0x01, 0, 0, 0, 0, 1, 0};
    const size_t len = 8 + body.size();
    p[2] = static_cast<unsigned char>(len >> 8);
    p[3] = static_cast<unsigned char>(len & 0xff);
    p.insert(p.end(), body.begin(), body.end());
    send(fd, p.data(), p.size(), MSG_NOSIGNAL);
}

inline Bytes done(unsigned short status = 0, unsigned long long count = 0) {
    Bytes b{0xFD, static_cast<unsigned char>(status), static_cast<unsigned char>(status >> 8), 0,
            0};
    for (int i = 0; i < 8; ++i)
        b.push_back(static_cast<unsigned char>(count >> (8 * i)));
    return b;
}

inline Bytes ucs2(const std::string& s) {
    Bytes b;
    for (char c : s) {
        b.push_back(static_cast<unsigned char>(c));
        b.push_back(0);
    }
    return b;
}

inline std::string fromUcs2(const unsigned char* p, size_t chars) {
    std::string s;
    for (size_t i = 0; i < chars; ++i)
        s.push_back(static_cast<char>(p[2 * i]));
    return s;
}

// An ERROR token as SQL Server sends it, followed by DONE with the error flag.
inline Bytes serverError(int number, const std::string& text) {
    Bytes body;
    for (int i = 0; i < 4; ++i)
        body.push_back(static_cast<unsigned char>(number >> (8 * i)));
    body.push_back(1);  // state
    body.push_back(14); // severity
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

// A result of varchar columns (a row value of nullptr-free strings), then DONE with a count.
inline Bytes rows(const std::vector<std::string>& columns,
                  const std::vector<std::vector<std::string>>& values) {
    Bytes b{0x81, static_cast<unsigned char>(columns.size()),
            static_cast<unsigned char>(columns.size() >> 8)};
    for (const std::string& name : columns) {
        const Bytes head{0, 0, 0, 0,          // user type
                         0x09, 0,             // flags: nullable, updatable unknown
                         0xA7, 0xFF, 0,       // varchar(255)
                         0x09, 0x04, 0xD0, 0x00, 0x34, // Latin1_General_CI_AS
                         static_cast<unsigned char>(name.size())};
        b.insert(b.end(), head.begin(), head.end());
        const Bytes n = ucs2(name);
        b.insert(b.end(), n.begin(), n.end());
    }
    for (const auto& row : values) {
        b.push_back(0xD1);
        for (const std::string& v : row) {
            b.push_back(static_cast<unsigned char>(v.size()));
            b.push_back(static_cast<unsigned char>(v.size() >> 8));
            b.insert(b.end(), v.begin(), v.end());
        }
    }
    const Bytes d = done(0x10, values.size());
    b.insert(b.end(), d.begin(), d.end());
    return b;
}

// The server. `accounts` maps login names to passwords; `answer` gets the login name of the
// session and each batch's text and returns the reply (default: an empty DONE; no bytes: no
// reply at all). It serves any number of clients until destroyed.
class ScriptedServer {
public:
    using Answer = std::function<Bytes(const std::string& login, const std::string& sql)>;

    ScriptedServer(std::map<std::string, std::string> accounts, Answer answer)
        : accounts_(std::move(accounts)), answer_(std::move(answer)) {
        thread_ = std::thread([this] { serve(); });
    }
    ~ScriptedServer() {
        stopping_ = true;
        listener_.closeNow();
        {
            std::lock_guard<std::mutex> l(mutex_);
            for (int c : clients_)
                shutdown(c, SHUT_RDWR);
        }
        thread_.join();
        for (auto& t : sessions_)
            t.join();
        for (int c : clients_)
            close(c);
    }
    int port() const { return listener_.port; }
    // The statements received, in order, over all sessions.
    std::vector<std::string> statements() const {
        std::lock_guard<std::mutex> l(mutex_);
        return statements_;
    }
    int logins() const {
        std::lock_guard<std::mutex> l(mutex_);
        return logins_;
    }

private:
    void serve() {
        while (!stopping_) {
            const int client = accept(listener_.fd, nullptr, nullptr);
            if (client < 0) return;
            std::lock_guard<std::mutex> l(mutex_);
            clients_.push_back(client);
            sessions_.emplace_back([this, client] { session(client); });
        }
    }

    void session(int client) {
        Bytes body;
        if (!readPacket(client, body)) return; // PRELOGIN
        // VERSION, and ENCRYPTION: not supported; then the terminator.
        sendReply(client,
                  {0x00, 0, 11, 0, 6, 0x01, 0, 17, 0, 1, 0xFF, 0x0f, 0, 0x07, 0xd0, 0, 0, 0x02});
        if (!readPacket(client, body)) return; // LOGIN7
        std::string user, password;
        if (body.size() >= 48) {
            auto word = [&](size_t at) { return size_t(body[at] | (body[at + 1] << 8)); };
            const size_t userAt = word(40), userLen = word(42);
            const size_t pwAt = word(44), pwLen = word(46);
            if (userAt + 2 * userLen <= body.size())
                user = fromUcs2(body.data() + userAt, userLen);
            if (pwAt + 2 * pwLen <= body.size()) {
                Bytes clear(body.begin() + long(pwAt), body.begin() + long(pwAt + 2 * pwLen));
                for (auto& c : clear) {
                    c ^= 0xA5;
                    c = static_cast<unsigned char>((c << 4) | (c >> 4));
                }
                password = fromUcs2(clear.data(), pwLen);
            }
        }
        {
            std::lock_guard<std::mutex> l(mutex_);
            ++logins_;
        }
        const auto account = accounts_.find(user);
        if (account == accounts_.end() || account->second != password) {
            sendReply(client, serverError(18456, "Login failed for user '" + user + "'."));
            return;
        }
        Bytes ack{0xAD, 12, 0, 1, 0x74, 0, 0, 4, 1, 'x', 0, 15, 0, 0x07, 0xd0};
        const Bytes d = done();
        ack.insert(ack.end(), d.begin(), d.end());
        sendReply(client, ack);
        unsigned char type = 0;
        while (readPacket(client, body, &type)) {
            std::string sql;
            if (type == 0x01 && body.size() >= 4) { // SQL batch: ALL_HEADERS, then the text
                const size_t headers = body[0] | (body[1] << 8) | (body[2] << 16) | (body[3] << 24);
                if (headers <= body.size())
                    sql = fromUcs2(body.data() + headers, (body.size() - headers) / 2);
            }
            {
                std::lock_guard<std::mutex> l(mutex_);
                statements_.push_back(sql);
            }
            const Bytes reply = answer_ ? answer_(user, sql) : done();
            if (!reply.empty()) sendReply(client, reply); // empty: the server stays silent
        }
    }

    Listener listener_;
    std::map<std::string, std::string> accounts_;
    Answer answer_;
    mutable std::mutex mutex_;
    std::vector<int> clients_;
    std::vector<std::thread> sessions_;
    std::vector<std::string> statements_;
    int logins_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace doubles::tds
