#include "db/SqlTokenizer.h"

#include "db/DbError.h"

namespace db {

namespace {

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'#';
}
bool isNamePart(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'#' || c == u'$';
}

QString excerpt(const QString& s, int from) {
    return s.mid(from, 40);
}

} // namespace

std::vector<SqlToken> SqlTokenizer::tokenize(const QString& s) {
    std::vector<SqlToken> out;
    const int n = s.size();
    int i = 0;
    auto push = [&](SqlToken::Kind kind, QString text, int pos, bool national = false) {
        SqlToken t;
        t.kind = kind;
        t.text = std::move(text);
        t.position = pos;
        t.national = national;
        if (kind == SqlToken::Name) t.upper = t.text.toUpper();
        out.push_back(std::move(t));
    };
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            while (i < n && s[i] != u'\n')
                ++i;
            continue;
        }
        if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            const int end = s.indexOf(QLatin1String("*/"), i + 2);
            if (end < 0) throw Error(113, "Missing end comment mark '*/'.", s);
            i = end + 2;
            continue;
        }
        const int start = i;
        const bool national = (c == u'N' || c == u'n') && i + 1 < n && s[i + 1] == u'\'';
        if (c == u'\'' || national) {
            i += national ? 2 : 1;
            QString value;
            for (;;) {
                if (i >= n)
                    throw Error(105,
                                "Unclosed quotation mark after the character string '" +
                                    excerpt(s, start) + "'.",
                                s);
                if (s[i] == u'\'') {
                    if (i + 1 < n && s[i + 1] == u'\'') {
                        value += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s[i++];
            }
            push(SqlToken::String, value, start, national);
            continue;
        }
        if (c == u'[' || c == u'"') {
            const QChar close = c == u'[' ? u']' : u'"';
            ++i;
            QString value;
            for (;;) {
                if (i >= n)
                    throw Error(
                        105, "Unclosed quotation mark after the name '" + excerpt(s, start) + "'.",
                        s);
                if (s[i] == close) {
                    if (i + 1 < n && s[i + 1] == close) {
                        value += close;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s[i++];
            }
            push(SqlToken::QuotedName, value, start);
            continue;
        }
        if (c.isDigit() || (c == u'.' && i + 1 < n && s[i + 1].isDigit())) {
            while (i < n && (s[i].isDigit() || s[i] == u'.'))
                ++i;
            if (i < n && (s[i] == u'e' || s[i] == u'E')) {
                int j = i + 1;
                if (j < n && (s[j] == u'+' || s[j] == u'-')) ++j;
                if (j < n && s[j].isDigit()) {
                    i = j;
                    while (i < n && s[i].isDigit())
                        ++i;
                }
            }
            if (i < n && isNamePart(s[i]))
                throw Error(102, "Incorrect syntax near '" + excerpt(s, start) + "'.", s);
            push(SqlToken::Number, s.mid(start, i - start), start);
            continue;
        }
        if (c == u'@') {
            ++i;
            if (i < n && s[i] == u'@') ++i;
            while (i < n && isNamePart(s[i]))
                ++i;
            push(SqlToken::Variable, s.mid(start, i - start), start);
            continue;
        }
        if (isNameStart(c)) {
            while (i < n && isNamePart(s[i]))
                ++i;
            push(SqlToken::Name, s.mid(start, i - start), start);
            continue;
        }
        static const char* const twoChar[] = {"<=", ">=", "<>", "!=", "!<", "!>",
                                              "||", "+=", "-=", "*=", "/=", "::"};
        bool matched = false;
        const QStringView pair = QStringView(s).mid(i, 2);
        for (const char* op : twoChar) {
            if (pair == QLatin1String(op)) {
                push(SqlToken::Operator, QString::fromLatin1(op), start);
                i += 2;
                matched = true;
                break;
            }
        }
        if (matched) continue;
        if (QStringLiteral("(),.;+-*/%=<>&|^~!").contains(c)) {
            push(SqlToken::Operator, QString(c), start);
            ++i;
            continue;
        }
        throw Error(102, "Incorrect syntax near '" + excerpt(s, start) + "'.", s);
    }
    push(SqlToken::End, QString(), n);
    return out;
}

} // namespace db
