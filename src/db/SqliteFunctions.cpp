#include "db/SqliteFunctions.h"

#include "db/DateTimeText.h"

#include <QByteArray>
#include <sqlite3.h>
#include <vector>

namespace db {

namespace {

QString textOf(sqlite3_value* v) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                             sqlite3_value_bytes(v));
}

void resultText(sqlite3_context* ctx, const QString& s) {
    const QByteArray u = s.toUtf8();
    sqlite3_result_text(ctx, u.constData(), u.size(), SQLITE_TRANSIENT);
}

void fail(sqlite3_context* ctx, int number, const QString& message) {
    const QByteArray u = QString("tsql:%1:%2").arg(number).arg(message).toUtf8();
    sqlite3_result_error(ctx, u.constData(), u.size());
}

QString excerpt(const QString& s) {
    return s.size() > 60 ? s.left(60) + "..." : s;
}

// ---- LIKE --------------------------------------------------------------------------------

struct LikeElement {
    enum Kind { Literal, One, Any, Set } kind = Literal;
    QChar ch;
    bool negate = false;
    QString chars; // single characters of a set
    std::vector<std::pair<QChar, QChar>> ranges;

    bool matches(QChar c) const {
        switch (kind) {
        case Literal:
            return c == ch;
        case One:
            return true;
        case Set: {
            bool in = chars.contains(c);
            for (const auto& [lo, hi] : ranges)
                in = in || (c >= lo && c <= hi);
            return in != negate;
        }
        default:
            return false;
        }
    }
};

std::vector<LikeElement> compileLike(const QString& patternIn, QChar escape) {
    const QString p = patternIn.toCaseFolded();
    const QChar esc = escape.isNull() ? QChar() : escape.toCaseFolded();
    std::vector<LikeElement> out;
    for (int i = 0; i < p.size(); ++i) {
        LikeElement e;
        const QChar c = p[i];
        if (!esc.isNull() && c == esc && i + 1 < p.size()) {
            e.ch = p[++i];
        } else if (c == u'%') {
            e.kind = LikeElement::Any;
        } else if (c == u'_') {
            e.kind = LikeElement::One;
        } else if (c == u'[') {
            const int close = p.indexOf(u']', i + 2);
            if (close < 0) {
                e.ch = c; // an unclosed bracket matches itself
            } else {
                e.kind = LikeElement::Set;
                int k = i + 1;
                if (p[k] == u'^') {
                    e.negate = true;
                    ++k;
                }
                for (; k < close; ++k) {
                    if (k + 2 < close && p[k + 1] == u'-') {
                        e.ranges.emplace_back(p[k], p[k + 2]);
                        k += 2;
                    } else {
                        e.chars += p[k];
                    }
                }
                i = close;
            }
        } else {
            e.ch = c;
        }
        out.push_back(std::move(e));
    }
    return out;
}

// Wildcard matching with backtracking to the last %, over `n` case-folded characters that
// `at` gives.
template <typename CharAt>
bool matchFolded(int n, CharAt at, const std::vector<LikeElement>& pattern) {
    size_t pi = 0;
    int ti = 0;
    size_t starP = SIZE_MAX;
    int starT = 0;
    while (ti < n) {
        if (pi < pattern.size() && pattern[pi].kind == LikeElement::Any) {
            starP = pi++;
            starT = ti;
        } else if (pi < pattern.size() && pattern[pi].matches(at(ti))) {
            ++pi;
            ++ti;
        } else if (starP != SIZE_MAX) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < pattern.size() && pattern[pi].kind == LikeElement::Any)
        ++pi;
    return pi == pattern.size();
}

bool matchLike(const QString& text, const std::vector<LikeElement>& pattern) {
    const QString t = text.toCaseFolded();
    return matchFolded(int(t.size()), [&](int i) { return t[i]; }, pattern);
}

// Most texts are plain ASCII: they are matched on their bytes, folded to lower case, without
// decoding (an ASCII letter folds as its lower case; any other text takes the full way, since
// some non-ASCII letters fold to ASCII ones).
bool matchLikeUtf8(const unsigned char* text, int n, const std::vector<LikeElement>& pattern) {
    for (int i = 0; i < n; ++i)
        if (text[i] & 0x80)
            return matchLike(QString::fromUtf8(reinterpret_cast<const char*>(text), n), pattern);
    return matchFolded(
        n,
        [&](int i) {
            const unsigned char c = text[i];
            return QChar(c >= 'A' && c <= 'Z' ? c + 32 : c);
        },
        pattern);
}

struct CompiledLike {
    QByteArray pattern; // as SQLite hands it over (UTF-8)
    QChar escape;
    std::vector<LikeElement> elements;
};

void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    // SQLite calls like(pattern, text [, escape]).
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    QChar escape;
    if (argc == 3) {
        const QString e = textOf(argv[2]);
        if (e.size() != 1) {
            fail(ctx, 506,
                 "The invalid escape character \"" + e +
                     "\" was specified in a LIKE "
                     "predicate.");
            return;
        }
        escape = e[0];
    }
    auto* compiled = static_cast<CompiledLike*>(sqlite3_get_auxdata(ctx, 0));
    const char* patternText = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const QByteArray patternBytes =
        QByteArray::fromRawData(patternText, sqlite3_value_bytes(argv[0]));
    if (!compiled || compiled->pattern != patternBytes || compiled->escape != escape) {
        const QString pattern = QString::fromUtf8(patternBytes);
        compiled = new CompiledLike{QByteArray(patternBytes.constData(), patternBytes.size()),
                                    escape, compileLike(pattern, escape)};
        sqlite3_set_auxdata(ctx, 0, compiled,
                            [](void* p) { delete static_cast<CompiledLike*>(p); });
        compiled = static_cast<CompiledLike*>(sqlite3_get_auxdata(ctx, 0));
        if (!compiled) { // SQLite may drop auxiliary data at once; match without caching
            sqlite3_result_int(ctx, matchLike(textOf(argv[1]), compileLike(pattern, escape)));
            return;
        }
    }
    const unsigned char* text = sqlite3_value_text(argv[1]);
    sqlite3_result_int(ctx, matchLikeUtf8(text, sqlite3_value_bytes(argv[1]), compiled->elements));
}

// ---- collation ---------------------------------------------------------------------------

int trimmedLength(const char* s, int n) {
    while (n > 0 && s[n - 1] == ' ')
        --n;
    return n;
}

int collate(void*, int na, const void* pa, int nb, const void* pb) {
    const char* a = static_cast<const char*>(pa);
    const char* b = static_cast<const char*>(pb);
    na = trimmedLength(a, na);
    nb = trimmedLength(b, nb);
    int i = 0;
    for (; i < na && i < nb; ++i) {
        unsigned char ca = a[i], cb = b[i];
        if ((ca | cb) & 0x80) break; // non-ASCII: compare the rest as Unicode text
        if (ca >= 'A' && ca <= 'Z') ca += 32;
        if (cb >= 'A' && cb <= 'Z') cb += 32;
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (i == na || i == nb) {
        if (i == na && i == nb) return 0;
        return i == na ? -1 : 1;
    }
    return QString::fromUtf8(a + i, na - i)
        .compare(QString::fromUtf8(b + i, nb - i), Qt::CaseInsensitive);
}

// ---- arithmetic and conversions ----------------------------------------------------------

bool isNumeric(int type) {
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

QString numberTypeName(int type) {
    return type == SQLITE_INTEGER ? "int" : "float";
}

// "+": numbers add; two texts concatenate; a text and a number convert the text to the
// number's type (as SQL Server does by type precedence) or fail.
void plusFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int ta = sqlite3_value_type(argv[0]);
    const int tb = sqlite3_value_type(argv[1]);
    if (ta == SQLITE_NULL || tb == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    if (!isNumeric(ta) && !isNumeric(tb)) {
        resultText(ctx, textOf(argv[0]) + textOf(argv[1]));
        return;
    }
    double da = 0, db = 0;
    long long ia = 0, ib = 0;
    bool anyFloat = ta == SQLITE_FLOAT || tb == SQLITE_FLOAT;
    auto read = [&](sqlite3_value* v, int type, int otherType, long long& i, double& d) {
        if (isNumeric(type)) {
            i = sqlite3_value_int64(v);
            d = sqlite3_value_double(v);
            return true;
        }
        const QString s = textOf(v).trimmed();
        bool ok = false;
        if (otherType == SQLITE_INTEGER) {
            i = s.isEmpty() ? 0 : s.toLongLong(&ok);
            ok = ok || s.isEmpty();
            d = double(i);
        } else {
            d = s.isEmpty() ? 0 : s.toDouble(&ok);
            ok = ok || s.isEmpty();
        }
        if (!ok)
            fail(ctx, 245,
                 "Conversion failed when converting the varchar value '" + excerpt(textOf(v)) +
                     "' to data type " + numberTypeName(otherType) + ".");
        return ok;
    };
    if (!read(argv[0], ta, tb, ia, da) || !read(argv[1], tb, ta, ib, db)) return;
    if (anyFloat)
        sqlite3_result_double(ctx, da + db);
    else
        sqlite3_result_int64(ctx, ia + ib);
}

// A datetime argument as its date and time (no time zone: days are counted as the server
// counts them, without daylight-saving shifts).
std::optional<SqlDateTime> dateArgument(sqlite3_context* ctx, sqlite3_value* v, int style) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        // SQL Server counts numbers as days since 1900-01-01.
        const double days = sqlite3_value_double(v);
        const QDateTime base(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC);
        const QDateTime d = base.addMSecs(static_cast<qint64>(days * 86400000.0));
        return SqlDateTime{d.date(), d.time()};
    }
    default: {
        const QString s = textOf(v);
        auto parsed = parseSqlDateTimeParts(s, style);
        if (!parsed)
            fail(ctx, 241,
                 "Conversion failed when converting date and/or time from character "
                 "string ('" +
                     excerpt(s) + "').");
        return parsed;
    }
    }
}

void datetimeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const int style = argc > 1 ? sqlite3_value_int(argv[1]) : 0;
    if (const auto d = dateArgument(ctx, argv[0], style)) resultText(ctx, storedDateTime(*d));
}

QString truncated(const QString& s, int length) {
    return length >= 0 ? s.left(length) : s;
}

void formatDatetimeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const int style = sqlite3_value_int(argv[1]);
    const int length = sqlite3_value_int(argv[2]);
    if (const auto d = dateArgument(ctx, argv[0], 0))
        resultText(ctx, truncated(formatSqlDateTime(*d, style), length));
}

void toTextFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int length = sqlite3_value_int(argv[1]);
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(ctx);
        return;
    case SQLITE_FLOAT:
        resultText(ctx, truncated(QString::number(sqlite3_value_double(argv[0]), 'g', 6), length));
        return;
    default:
        resultText(ctx, truncated(textOf(argv[0]), length));
    }
}

void toIntFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(ctx);
        return;
    case SQLITE_INTEGER:
        sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
        return;
    case SQLITE_FLOAT:
        sqlite3_result_int64(ctx, static_cast<long long>(sqlite3_value_double(argv[0])));
        return;
    default: {
        const QString s = textOf(argv[0]).trimmed();
        bool ok = s.isEmpty();
        const long long v = s.isEmpty() ? 0 : s.toLongLong(&ok);
        if (!ok)
            fail(ctx, 245,
                 "Conversion failed when converting the varchar value '" +
                     excerpt(textOf(argv[0])) + "' to data type int.");
        else
            sqlite3_result_int64(ctx, v);
    }
    }
}

void toBitFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(ctx);
        return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        sqlite3_result_int(ctx, sqlite3_value_double(argv[0]) != 0);
        return;
    default: {
        const QString s = textOf(argv[0]).trimmed();
        if (s.compare("true", Qt::CaseInsensitive) == 0) {
            sqlite3_result_int(ctx, 1);
            return;
        }
        if (s.compare("false", Qt::CaseInsensitive) == 0) {
            sqlite3_result_int(ctx, 0);
            return;
        }
        bool ok = false;
        const double v = s.toDouble(&ok);
        if (!ok)
            fail(ctx, 245,
                 "Conversion failed when converting the varchar value '" +
                     excerpt(textOf(argv[0])) + "' to data type bit.");
        else
            sqlite3_result_int(ctx, v != 0);
    }
    }
}

void getdateFunction(sqlite3_context* ctx, int, sqlite3_value**) {
    resultText(ctx, storedDateTime(QDateTime::currentDateTime()));
}

template <QString (*F)(const QString&)>
void textFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        sqlite3_result_null(ctx);
    else
        resultText(ctx, F(textOf(argv[0])));
}

QString toUpperText(const QString& s) {
    return s.toUpper();
}
QString toLowerText(const QString& s) {
    return s.toLower();
}

void lenFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    QString s = textOf(argv[0]);
    int n = s.size();
    while (n > 0 && s[n - 1] == u' ')
        --n;
    sqlite3_result_int(ctx, n);
}

void substringFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    const QString s = textOf(argv[0]);
    long long start = argc == 3 ? sqlite3_value_int64(argv[1]) : 1;
    long long length = sqlite3_value_int64(argv[argc - 1]);
    if (length < 0) {
        fail(ctx, 537, "Invalid length parameter passed to the LEFT or SUBSTRING function.");
        return;
    }
    // SQL Server counts from 1; characters before position 1 use up the length.
    long long end = start + length; // exclusive, 1-based
    start = std::max<long long>(start, 1);
    if (end <= start) {
        resultText(ctx, QString());
        return;
    }
    resultText(ctx, s.mid(static_cast<int>(start - 1), static_cast<int>(end - start)));
}

} // namespace

bool tsqlLike(const QString& text, const QString& pattern, QChar escape) {
    return matchLike(text, compileLike(pattern, escape));
}

int tsqlCompare(const QString& a, const QString& b) {
    const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
    return collate(nullptr, ua.size(), ua.constData(), ub.size(), ub.constData());
}

void registerTsqlFunctions(sqlite3* db) {
    const int utf8 = SQLITE_UTF8;
    const int pure = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_collation_v2(db, "TSQL", SQLITE_UTF8, nullptr, collate, nullptr);
    sqlite3_create_function_v2(db, "like", 2, pure, nullptr, likeFunction, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "like", 3, pure, nullptr, likeFunction, nullptr, nullptr,
                               nullptr);
    struct Fn {
        const char* name;
        int args;
        void (*f)(sqlite3_context*, int, sqlite3_value**);
        bool deterministic;
    };
    const Fn fns[] = {
        {"tsql_plus", 2, plusFunction, true},
        {"tsql_datetime", 2, datetimeFunction, true},
        {"tsql_format_datetime", 3, formatDatetimeFunction, true},
        {"tsql_to_text", 2, toTextFunction, true},
        {"tsql_to_int", 1, toIntFunction, true},
        {"tsql_to_bit", 1, toBitFunction, true},
        {"tsql_getdate", 0, getdateFunction, false},
        {"tsql_upper", 1, textFunction<toUpperText>, true},
        {"tsql_lower", 1, textFunction<toLowerText>, true},
        {"tsql_len", 1, lenFunction, true},
        {"tsql_substring", 3, substringFunction, true},
        {"tsql_left", 2, substringFunction, true},
    };
    for (const Fn& fn : fns)
        sqlite3_create_function_v2(db, fn.name, fn.args, fn.deterministic ? pure : utf8, nullptr,
                                   fn.f, nullptr, nullptr, nullptr);
}

} // namespace db
