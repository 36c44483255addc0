#include "db/DateTimeText.h"

#include <QRegularExpression>
#include <QStringList>

namespace db {

namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int monthFromName(const QString& name) {
    for (int m = 0; m < 12; ++m)
        if (name.startsWith(QLatin1String(kMonths[m]), Qt::CaseInsensitive)) return m + 1;
    return 0;
}

// "14:05", "14:05:09", "14:05:09.123", "2:05PM", "2:05 PM": the time, or nullopt.
std::optional<QTime> parseTime(QString t) {
    t = t.trimmed();
    if (t.isEmpty()) return QTime(0, 0);
    static const QRegularExpression re(
        R"(^(\d{1,2}):(\d{2})(?::(\d{2})(?:[.:](\d{1,3}))?)?\s*([AaPp][Mm])?$)");
    const auto m = re.match(t);
    if (!m.hasMatch()) return std::nullopt;
    int h = m.captured(1).toInt();
    const int mi = m.captured(2).toInt();
    const int s = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    QString frac = m.captured(4);
    const int ms = frac.isEmpty() ? 0 : frac.leftJustified(3, '0').toInt();
    const QString ampm = m.captured(5).toUpper();
    if (!ampm.isEmpty()) {
        if (h < 1 || h > 12) return std::nullopt;
        if (ampm == "AM" && h == 12)
            h = 0;
        else if (ampm == "PM" && h != 12)
            h += 12;
    }
    QTime time(h, mi, s, ms);
    if (!time.isValid()) return std::nullopt;
    return time;
}

std::optional<SqlDateTime> combine(int y, int mo, int d, const QString& timeText) {
    const QDate date(y, mo, d);
    if (!date.isValid() || y < 1753) return std::nullopt;
    const auto time = parseTime(timeText);
    if (!time) return std::nullopt;
    return SqlDateTime{date, *time};
}

// The stored form "yyyy-mm-dd hh:mm:ss.zzz", with or without its milliseconds or time, read
// by position: nearly every text a statement converts is a stored value. Anything else (and
// an invalid date or time) is left to the general reading.
std::optional<SqlDateTime> storedForm(const QString& t) {
    const qsizetype n = t.size();
    if (n != 10 && n != 19 && n != 23) return std::nullopt;
    auto number = [&](int at, int count, int& out) {
        out = 0;
        for (int i = at; i < at + count; ++i) {
            const char16_t c = t[i].unicode();
            if (c < u'0' || c > u'9') return false;
            out = out * 10 + (c - u'0');
        }
        return true;
    };
    int y, mo, d, h = 0, mi = 0, sec = 0, ms = 0;
    if (!number(0, 4, y) || t[4] != u'-' || !number(5, 2, mo) || t[7] != u'-' || !number(8, 2, d))
        return std::nullopt;
    if (n > 10 && (t[10] != u' ' || !number(11, 2, h) || t[13] != u':' || !number(14, 2, mi) ||
                   t[16] != u':' || !number(17, 2, sec)))
        return std::nullopt;
    if (n == 23 && (t[19] != u'.' || !number(20, 3, ms))) return std::nullopt;
    const QDate date(y, mo, d);
    const QTime time(h, mi, sec, ms);
    if (!date.isValid() || y < 1753 || !time.isValid()) return std::nullopt;
    return SqlDateTime{date, time};
}

} // namespace

std::optional<QDateTime> parseSqlDateTime(const QString& text, int style) {
    const auto parts = parseSqlDateTimeParts(text, style);
    if (!parts) return std::nullopt;
    return QDateTime(parts->date, parts->time);
}

std::optional<SqlDateTime> parseSqlDateTimeParts(const QString& input, int style) {
    const QString text = input.trimmed();
    if (text.isEmpty()) return SqlDateTime{QDate(1900, 1, 1), QTime(0, 0)};
    if (auto stored = storedForm(text)) return stored;
    static const QRegularExpression iso(R"(^(\d{4})-(\d{1,2})-(\d{1,2})(?:[T ](.*))?$)");
    static const QRegularExpression compact(R"(^(\d{4})(\d{2})(\d{2})(?: (.*))?$)");
    static const QRegularExpression slashed(R"(^(\d{1,2})[/.-](\d{1,2})[/.-](\d{2,4})(?: (.*))?$)");
    static const QRegularExpression named(
        R"(^([A-Za-z]{3})[a-z]*\s+(\d{1,2}),?\s+(\d{4})(?:\s+(.*))?$)");
    if (auto m = iso.match(text); m.hasMatch())
        return combine(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                       m.captured(4));
    if (auto m = compact.match(text); m.hasMatch())
        return combine(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                       m.captured(4));
    if (auto m = slashed.match(text); m.hasMatch()) {
        int year = m.captured(3).toInt();
        if (m.captured(3).size() == 2)
            year += year < 50 ? 2000 : 1900;
        else if (m.captured(3).size() != 4)
            return std::nullopt;
        int month = m.captured(1).toInt(), day = m.captured(2).toInt();
        if (style == 103) std::swap(month, day);
        return combine(year, month, day, m.captured(4));
    }
    if (auto m = named.match(text); m.hasMatch()) {
        const int month = monthFromName(m.captured(1));
        if (month == 0) return std::nullopt;
        return combine(m.captured(3).toInt(), month, m.captured(2).toInt(), m.captured(4));
    }
    return std::nullopt;
}

QString storedDateTime(const QDateTime& value) {
    return storedDateTime(SqlDateTime{value.date(), value.time()});
}

QString storedDateTime(const SqlDateTime& value) {
    return value.date.toString(QStringLiteral("yyyy-MM-dd ")) +
           value.time.toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString formatSqlDateTime(const QDateTime& v, int style) {
    return formatSqlDateTime(SqlDateTime{v.date(), v.time()}, style);
}

QString formatSqlDateTime(const SqlDateTime& v, int style) {
    const QDate d = v.date;
    const QTime t = v.time;
    switch (style) {
    case 0:
    case 100: {
        const int h12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
        return QString("%1 %2 %3 %4:%5%6")
            .arg(QLatin1String(kMonths[d.month() - 1]))
            .arg(d.day(), 2)
            .arg(d.year())
            .arg(h12, 2)
            .arg(t.minute(), 2, 10, QLatin1Char('0'))
            .arg(t.hour() < 12 ? "AM" : "PM");
    }
    case 101:
        return d.toString(QStringLiteral("MM/dd/yyyy"));
    case 103:
        return d.toString(QStringLiteral("dd/MM/yyyy"));
    case 112:
        return d.toString(QStringLiteral("yyyyMMdd"));
    case 120:
        return d.toString(QStringLiteral("yyyy-MM-dd ")) + t.toString(QStringLiteral("HH:mm:ss"));
    case 121:
        return storedDateTime(v);
    case 23:
        return d.toString(QStringLiteral("yyyy-MM-dd"));
    default:
        return {};
    }
}

} // namespace db
