#pragma once
// The SQL Server backend through FreeTDS db-lib. Statement texts are sent as they stand; every
// result is fetched fully into a Recordset. Login and query timeouts are always in force, so
// a server that never answers ends in an error, never in a hang.
#include "db/Connection.h"
#include "db/ServerConfig.h"

#include <memory>

namespace db {

class TdsConnection : public Connection {
public:
    // Logs in; raises db::Error (e.g. 20009 nothing listening, 20003 timed out, 18456 login
    // failed) when the server cannot be reached or refuses the login.
    // With encryption required (the default), a server that offers no encryption or whose
    // certificate does not check out is refused with kEncryptionRefused.
    TdsConnection(const ServerConfig& config, const QString& password);
    static constexpr int kEncryptionRefused = 20017;
    ~TdsConnection() override;

    RecordsetPtr execute(const QString& text, long* rowsAffected = nullptr) override;
    RecordsetPtr open(const QString& text, CursorOptions options = {}) override;
    void setCommandTimeout(int seconds) override;
    int commandTimeout() const override;
    void setCursorLocation(int location) override;
    int cursorLocation() const override;
    QString currentDatabase() const override;
    bool isOpen() const override;
    void close() override;

    struct Impl;

private:
    std::shared_ptr<Impl> d_;
};

} // namespace db
