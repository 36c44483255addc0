#pragma once
// Splits T-SQL statement text into tokens: names (bare, [bracketed] or "quoted"), string
// literals ('...' with doubled quotes, N'...'), numbers, @variables and operators. Blanks and
// comments are dropped. Unterminated literals, names and comments raise db::Error.
#include <QString>
#include <vector>

namespace db {

struct SqlToken {
    enum Kind { Name, QuotedName, String, Number, Variable, Operator, End };
    Kind kind = End;
    QString text;          // names without brackets, strings unescaped, operators as written
    QString upper;         // bare names in upper case, for keyword tests
    int position = 0;      // offset in the statement text
    bool national = false; // N'...' literal

    // A bare name equal to `upperWord` (given in upper case), in any case.
    bool isWord(const char* upperWord) const {
        return kind == Name && upper == QLatin1String(upperWord);
    }
    bool isOp(const char* op) const { return kind == Operator && text == QLatin1String(op); }
    bool isName() const { return kind == Name || kind == QuotedName; }
};

class SqlTokenizer {
public:
    // The tokens of `statement`, always ending with one End token.
    static std::vector<SqlToken> tokenize(const QString& statement);
};

} // namespace db
