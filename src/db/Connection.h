#pragma once
// The records database connection. Statement texts are T-SQL, sent as the program builds
// them; the embedded backend translates the subset the program uses, the SQL Server backend
// sends them unchanged.
#include "db/Recordset.h"

#include <QString>

namespace db {

// Cursor options of open(), with ADO's numbers.
struct CursorOptions {
    int cursorLocation = 2; // 2 server, 3 client (both are fully fetched here)
    int cursorType = 0;     // 0 forward-only, 2 dynamic
    int lockType = 1;       // 1 read-only, 3 optimistic (updatable)
    int options = -1;
};

inline constexpr CursorOptions kForwardReadOnly{};
inline constexpr CursorOptions kClientReadOnly{3, 0, 1, -1};
inline constexpr CursorOptions kDynamicOptimistic{2, 2, 3, -1};

// Threads: a connection may be used from any thread, one statement at a time; each backend
// serialises its calls, so a statement sent while another thread's statement runs waits for
// it. Result sets are plain values once returned and belong to whoever holds them.
class Connection {
public:
    virtual ~Connection() = default;

    // Runs a statement. Returns the rows of the last statement that returns rows (a closed,
    // empty recordset when none does); `rowsAffected` receives the rows changed.
    virtual RecordsetPtr execute(const QString& text, long* rowsAffected = nullptr) = 0;

    // Opens a result set on a statement that returns rows. With lock type 3 the result is
    // updatable (single-table SELECTs only).
    virtual RecordsetPtr open(const QString& text, CursorOptions options = {}) = 0;

    // Seconds a statement may run before it fails (0 = no limit).
    virtual void setCommandTimeout(int seconds) = 0;
    virtual int commandTimeout() const = 0;
    // Default cursor location for result sets (recorded; every result is fetched fully).
    virtual void setCursorLocation(int location) = 0;
    virtual int cursorLocation() const = 0;

    // Current database (changed by "USE [db]").
    virtual QString currentDatabase() const = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
};

// The one quoting helper: doubles single quotes so a value can stand between quotes in
// statement text, and drops NUL characters (no text column holds one, and the server's
// client library ends a statement at the first). Every value the program puts into a
// statement goes through it.
QString quote(const QString& value);

} // namespace db
