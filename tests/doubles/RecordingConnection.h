#pragma once
// A connection that records every statement. Forwards to a real connection when given one,
// otherwise answers from scripted result sets (empty ones when none is scripted).
#include "db/Connection.h"

#include <deque>
#include <functional>

namespace doubles {

class RecordingConnection : public db::Connection {
public:
    explicit RecordingConnection(db::Connection* inner = nullptr) : inner_(inner) {}

    db::RecordsetPtr execute(const QString& text, long* rowsAffected = nullptr) override {
        statements.push_back(text);
        if (failWhen && failWhen(text)) throw db::Error(208, "Scripted failure", text);
        if (inner_) return inner_->execute(text, rowsAffected);
        if (rowsAffected) *rowsAffected = scriptedRowsAffected;
        return next();
    }
    db::RecordsetPtr open(const QString& text, db::CursorOptions options = {}) override {
        statements.push_back(text);
        lastOptions = options;
        if (failWhen && failWhen(text)) throw db::Error(208, "Scripted failure", text);
        if (inner_) return inner_->open(text, options);
        return next();
    }
    void setCommandTimeout(int s) override { timeout_ = s; }
    int commandTimeout() const override { return timeout_; }
    void setCursorLocation(int l) override { location_ = l; }
    int cursorLocation() const override { return location_; }
    QString currentDatabase() const override {
        return inner_ ? inner_->currentDatabase() : QStringLiteral("master");
    }
    bool isOpen() const override { return inner_ ? inner_->isOpen() : open_; }
    void close() override {
        open_ = false;
        if (inner_) inner_->close();
    }

    std::vector<QString> statements;
    std::deque<db::Recordset> results;
    long scriptedRowsAffected = 0;
    db::CursorOptions lastOptions;
    std::function<bool(const QString&)> failWhen;

private:
    db::RecordsetPtr next() {
        if (results.empty()) return std::make_unique<db::Recordset>(QStringList{}, std::vector<db::Row>{});
        auto r = std::make_unique<db::Recordset>(std::move(results.front()));
        results.pop_front();
        return r;
    }
    db::Connection* inner_;
    int timeout_ = 30;
    int location_ = 2;
    bool open_ = true;
};

} // namespace doubles
