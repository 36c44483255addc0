#pragma once
// Date and time texts as SQL Server reads and writes them. The embedded backend stores a
// datetime as "yyyy-mm-dd hh:mm:ss.zzz", which sorts like the date itself.
#include <QDateTime>
#include <QString>
#include <optional>

namespace db {

// Parses a date text the way SQL Server (us_english) converts text to datetime: ISO forms
// ("2008-11-25", "2008-11-25 14:05:00.000", "2008-11-25T14:05:00"), "20081125",
// "11/25/2008" with an optional time ("11/25/2008 2:05 PM"), and "Nov 25 2008  2:05PM".
// `style` 103 reads slashed dates as dd/mm/yyyy. An empty text gives 1900-01-01 as on the server.
std::optional<QDateTime> parseSqlDateTime(const QString& text, int style = 0);

// A date and time as a text gives them, in no time zone (the statement's functions work on
// these: no local-time conversion, which costs a time-zone lookup and would move a time that
// falls in a daylight-saving gap).
struct SqlDateTime {
    QDate date;
    QTime time;
};
std::optional<SqlDateTime> parseSqlDateTimeParts(const QString& text, int style = 0);

// The stored form "yyyy-mm-dd hh:mm:ss.zzz".
QString storedDateTime(const QDateTime& value);
QString storedDateTime(const SqlDateTime& value);

// CONVERT(varchar, value, style) for the styles 0/100 ("Nov 25 2008  2:05PM"), 101
// ("11/25/2008"), 103 ("25/11/2008"), 112 ("20081125"), 120 ("2008-11-25 14:05:00"),
// 121 ("2008-11-25 14:05:00.000") and 23 ("2008-11-25"). Other styles give an empty text.
QString formatSqlDateTime(const QDateTime& value, int style);
QString formatSqlDateTime(const SqlDateTime& value, int style);

} // namespace db
