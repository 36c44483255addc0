#include "db/TsqlParsing.h"

namespace db::tsql {

namespace {

class QueryRewriter : public TokenStream {
public:
    explicit QueryRewriter(TokenStream&& tokens) : TokenStream(std::move(tokens)) {}

    Translation run() {
        const QString w = upper(tok(0));
        Translation tr;
        if (w == "SELECT") {
            tr.sql = query(0, end());
            tr.returnsRows = true;
        } else if (w == "INSERT") {
            tr.sql = insert(end());
        } else if (w == "UPDATE") {
            tr.sql = update(end());
        } else {
            tr.sql = remove(end());
        }
        return tr;
    }

private:
    // ---- queries ---------------------------------------------------------------------------

    QString query(int b, int e) {
        if (!word(b, "SELECT")) throw syntax(b);
        std::vector<std::pair<int, int>> branches;
        QStringList operators;
        int start = b;
        for (int i = b; i < e; i = skip(i)) {
            if (word(i, "UNION") || word(i, "EXCEPT") || word(i, "INTERSECT")) {
                branches.emplace_back(start, i);
                QString op = upper(tok(i));
                if (word(i + 1, "ALL")) {
                    op += " ALL";
                    ++i;
                }
                operators << op;
                start = i + 1;
                if (!word(start, "SELECT"))
                    throw word(start, "(") ? unsupported("parenthesised UNION branches")
                                           : syntax(start);
            }
        }
        branches.emplace_back(start, e);
        auto& last = branches.back();
        const int orderAt = findTop(last.first, last.second,
                                    [&](int i) { return word(i, "ORDER") && word(i + 1, "BY"); });
        const int lastEnd = last.second;
        last.second = orderAt;
        QString orderBy;
        if (orderAt < lastEnd) orderBy = " ORDER BY " + orderTerms(orderAt + 2, lastEnd);

        if (branches.size() == 1) {
            const Core core = selectCore(branches[0].first, branches[0].second);
            QString sql = core.text + orderBy;
            if (core.top) sql += " LIMIT " + QString::number(*core.top);
            return sql;
        }
        QString sql;
        for (size_t k = 0; k < branches.size(); ++k) {
            const Core core = selectCore(branches[k].first, branches[k].second);
            if (k > 0) sql += " " + operators[k - 1] + " ";
            // SQL Server applies TOP to each branch of a UNION: a branch of its own.
            if (core.top)
                sql += "SELECT * FROM (" + core.text + " LIMIT " + QString::number(*core.top) + ")";
            else
                sql += core.text;
        }
        return sql + orderBy;
    }

    QString orderTerms(int b, int e) {
        QStringList terms;
        for (auto [tb, te] : splitCommas(b, e)) {
            if (tb >= te) throw syntax(tb);
            QString direction;
            if (word(te - 1, "ASC") || word(te - 1, "DESC")) {
                direction = " " + upper(tok(te - 1));
                --te;
            }
            const Expr x = expr(tb, te);
            if (x.info.numberLiteral)
                terms << x.text + direction;
            else if (te - tb == 1 || x.info.singleColumn)
                terms << x.text + " COLLATE TSQL" + direction;
            else
                terms << "(" + x.text + ") COLLATE TSQL" + direction;
        }
        return terms.join(", ");
    }

    struct Core {
        QString text;
        std::optional<long long> top;
    };

    Core selectCore(int b, int e) {
        Core core;
        QString out = "SELECT";
        int i = b + 1;
        if (word(i, "DISTINCT") || word(i, "ALL")) {
            out += " " + upper(tok(i));
            ++i;
        }
        if (word(i, "TOP")) {
            ++i;
            int numberAt = i;
            const bool paren = tok(i).isOp("(");
            if (paren) numberAt = i + 1;
            bool ok = false;
            const long long n =
                tok(numberAt).kind == SqlToken::Number ? tok(numberAt).text.toLongLong(&ok) : 0;
            if (!ok || n < 0)
                throw tok(numberAt).kind == SqlToken::Number
                    ? syntax(numberAt)
                    : unsupported("TOP with an expression");
            i = paren ? match_[i] + 1 : i + 1;
            if (word(i, "PERCENT")) throw unsupported("TOP ... PERCENT");
            if (word(i, "WITH") && word(i + 1, "TIES")) throw unsupported("TOP ... WITH TIES");
            core.top = n;
        }
        auto clauseAt = [&](int from, std::initializer_list<const char*> words) {
            return findTop(from, e, [&](int k) {
                for (const char* w : words)
                    if (word(k, w)) return true;
                return false;
            });
        };
        const int into = clauseAt(i, {"INTO"});
        if (into < e) throw unsupported("SELECT ... INTO");
        const int from = clauseAt(i, {"FROM"});
        out += " " + selectList(i, from);
        if (from < e) {
            const int where = clauseAt(from, {"WHERE", "GROUP", "HAVING", "FOR", "OPTION"});
            out += " FROM " + fromClause(from + 1, where);
            i = where;
        } else {
            i = e;
        }
        while (i < e) {
            if (word(i, "WHERE")) {
                const int next = clauseAt(i + 1, {"GROUP", "HAVING", "FOR", "OPTION"});
                out += " WHERE " + expr(i + 1, next).text;
                i = next;
            } else if (word(i, "GROUP") && word(i + 1, "BY")) {
                const int next = clauseAt(i + 2, {"HAVING", "FOR", "OPTION"});
                out += " GROUP BY " + expr(i + 2, next).text;
                i = next;
            } else if (word(i, "HAVING")) {
                const int next = clauseAt(i + 1, {"FOR", "OPTION"});
                out += " HAVING " + expr(i + 1, next).text;
                i = next;
            } else if (word(i, "FOR") || word(i, "OPTION")) {
                throw unsupported(upper(tok(i)) + " clauses");
            } else {
                throw syntax(i);
            }
        }
        core.text = out;
        return core;
    }

    QString selectList(int b, int e) {
        if (b >= e) throw syntax(b);
        QStringList items;
        for (auto [ib, ie] : splitCommas(b, e)) {
            if (ib >= ie) throw syntax(ib);
            // T-SQL's "alias = expression" form.
            if (tok(ib).isName() && tok(ib + 1).isOp("=") && ib + 2 < ie &&
                !reservedWords().contains(upper(tok(ib))))
                items << expr(ib + 2, ie).text + " AS " + quoteName(tok(ib).text);
            else
                items << expr(ib, ie).text;
        }
        return items.join(", ");
    }

    bool isJoinWord(int i) const {
        const SqlToken& t = tok(i);
        if ((t.isWord("LEFT") || t.isWord("RIGHT")) && tok(i + 1).isOp("("))
            return false; // the LEFT() and RIGHT() functions
        return t.isWord("INNER") || t.isWord("LEFT") || t.isWord("RIGHT") || t.isWord("FULL") ||
               t.isWord("CROSS") || t.isWord("JOIN") || t.isWord("OUTER");
    }

    QString fromClause(int b, int e) {
        QString out;
        int i = b;
        i = tableRef(i, e, out);
        while (i < e) {
            if (tok(i).isOp(",")) {
                out += ", ";
                i = tableRef(i + 1, e, out);
                continue;
            }
            if (!isJoinWord(i)) throw syntax(i);
            QStringList joinWords;
            while (i < e && isJoinWord(i) && !word(i, "JOIN"))
                joinWords << upper(tok(i++));
            if (word(i, "APPLY") || (i < e && !word(i, "JOIN")))
                throw word(i, "APPLY") ? unsupported("APPLY") : syntax(i);
            joinWords << "JOIN";
            out += " " + joinWords.join(' ') + " ";
            i = tableRef(i + 1, e, out);
            if (word(i, "ON")) {
                const int next =
                    findTop(i + 1, e, [&](int k) { return isJoinWord(k) || tok(k).isOp(","); });
                out += " ON " + expr(i + 1, next).text;
                i = next;
            }
        }
        return out;
    }

    // One table of a FROM clause: a name or a derived table, an alias and table hints.
    int tableRef(int i, int e, QString& out) {
        if (i >= e) throw syntax(i);
        if (tok(i).isOp("(")) {
            const int close = match_[i];
            if (!word(i + 1, "SELECT")) throw unsupported("this kind of table expression");
            out += "(" + query(i + 1, close) + ")";
            i = close + 1;
        } else {
            const ObjectName n = objectName(i);
            out += resolveTable(n).sql();
            i = n.end;
        }
        if (word(i, "AS")) ++i;
        if (i < e && (tok(i).kind == SqlToken::QuotedName ||
                      (tok(i).kind == SqlToken::Name && !reservedWords().contains(upper(tok(i))) &&
                       !foreignWords().contains(upper(tok(i)))))) {
            out += " AS " + quoteName(tok(i).text);
            ++i;
        } else if (word(i - 1, "AS")) {
            throw syntax(i);
        }
        if (word(i, "WITH") && tok(i + 1).isOp("(")) {
            const int close = match_[i + 1];
            for (auto [hb, he] : splitCommas(i + 2, close)) {
                static const QSet<QString> hints = {"NOLOCK", "READUNCOMMITTED", "ROWLOCK",
                                                    "READCOMMITTED"};
                if (he != hb + 1 || !hints.contains(upper(tok(hb))))
                    throw unsupported("the table hint " + stmt_.mid(tok(hb).position, 20));
            }
            i = close + 1; // SQLite has no locking hints: the hint is dropped.
        } else if (tok(i).isOp("(")) {
            throw unsupported("table hints without WITH");
        }
        return i;
    }

    // ---- expressions -----------------------------------------------------------------------

    bool startsPrimary(int i, int e) const {
        if (i >= e) return false;
        const SqlToken& t = tok(i);
        switch (t.kind) {
        case SqlToken::String:
        case SqlToken::Number:
        case SqlToken::QuotedName:
            return true;
        case SqlToken::Variable:
            return true;
        case SqlToken::Name: {
            const QString w = upper(t);
            if (w == "NULL" || w == "CASE") return true;
            if ((w == "LEFT" || w == "RIGHT") && tok(i + 1).isOp("(")) return true;
            return !reservedWords().contains(w);
        }
        case SqlToken::Operator:
            if (t.text == "(") return true;
            if (t.text == "-" || t.text == "+" || t.text == "~") return startsPrimary(i + 1, e);
            return false;
        default:
            return false;
        }
    }

    Expr primary(int& i, int e) {
        const SqlToken& t = tok(i);
        Expr x;
        if (t.isOp("-") || t.isOp("+")) {
            ++i;
            Expr inner = primary(i, e);
            x.text = t.text + inner.text;
            x.info.kind = inner.info.kind;
            x.info.numberLiteral = inner.info.numberLiteral;
            return x;
        }
        if (t.isOp("~")) throw unsupported("the operator ~");
        switch (t.kind) {
        case SqlToken::String:
            ++i;
            x.text = stringLiteral(t.text);
            x.info.kind = ColumnKind::Text;
            x.info.stringLiteral = true;
            return x;
        case SqlToken::Number:
            ++i;
            x.text = t.text;
            x.info.kind = t.text.contains('.') || t.text.contains('e', Qt::CaseInsensitive)
                              ? ColumnKind::Real
                              : ColumnKind::Integer;
            x.info.numberLiteral = true;
            return x;
        case SqlToken::Variable:
            if (t.text.compare("@@IDENTITY", Qt::CaseInsensitive) == 0) {
                ++i;
                x.text = "last_insert_rowid()";
                x.info.kind = ColumnKind::Integer;
                return x;
            }
            throw unsupported("variables (" + t.text + ")");
        case SqlToken::Operator: {
            if (!t.isOp("(")) throw syntax(i);
            const int close = match_[i];
            if (close >= e) throw syntax(i);
            if (word(i + 1, "SELECT")) {
                x.text = "(" + query(i + 1, close) + ")";
            } else {
                const Expr inner = expr(i + 1, close);
                x.text = "(" + inner.text + ")";
                x.info = inner.info;
            }
            i = close + 1;
            return x;
        }
        default:
            break;
        }
        const QString w = upper(t);
        if (t.kind == SqlToken::Name && w == "NULL") {
            ++i;
            x.text = "NULL";
            return x;
        }
        if (t.kind == SqlToken::Name && w == "CASE") return caseExpr(i, e);
        if (t.kind == SqlToken::Name && foreignWords().contains(w))
            throw unsupported("'" + t.text + "', which is not T-SQL");
        if (t.kind == SqlToken::Name && tok(i + 1).isOp("(")) return functionCall(i, e);
        // A column reference: column, table.column, or table.*.
        QStringList parts{t.text};
        ++i;
        while (tok(i).isOp(".")) {
            if (tok(i + 1).isOp("*")) {
                x.text = quoteName(parts.join('.')) + ".*";
                i += 2;
                if (parts.size() != 1) throw unsupported("qualified names before .*");
                return x;
            }
            if (!tok(i + 1).isName()) throw syntax(i + 1);
            parts << tok(i + 1).text;
            i += 2;
        }
        if (parts.size() > 2)
            throw unsupported("column references with more than two parts (" + parts.join('.') +
                              ")");
        QStringList quoted;
        for (const QString& p : parts)
            quoted << quoteName(p);
        x.text = quoted.join('.');
        x.info.singleColumn = true;
        x.info.kind = catalog_ ? catalog_->columnKind(parts.last()) : ColumnKind::Unknown;
        return x;
    }

    Expr caseExpr(int& i, int e) {
        int depth = 0;
        int k = i;
        for (; k < e; k = skip(k)) {
            if (word(k, "CASE"))
                ++depth;
            else if (word(k, "END") && --depth == 0)
                break;
        }
        if (k >= e) throw syntax(i);
        Expr x;
        QString out = "CASE";
        int p = i + 1;
        // Simple CASE x WHEN ... or searched CASE WHEN ...: translate the pieces between the
        // keywords WHEN, THEN and ELSE as expressions.
        int pieceStart = p;
        auto flush = [&](int until) {
            if (until > pieceStart) out += " " + expr(pieceStart, until).text;
        };
        int nested = 0;
        for (; p < k; p = skip(p)) {
            if (word(p, "CASE"))
                ++nested;
            else if (word(p, "END"))
                --nested;
            else if (nested == 0 && (word(p, "WHEN") || word(p, "THEN") || word(p, "ELSE"))) {
                flush(p);
                out += " " + upper(tok(p));
                pieceStart = p + 1;
            }
        }
        flush(k);
        out += " END";
        i = k + 1;
        x.text = out;
        return x;
    }

    std::vector<Expr> arguments(int b, int e) {
        std::vector<Expr> args;
        if (b == e) return args;
        for (auto [ab, ae] : splitCommas(b, e)) {
            if (ab >= ae) throw syntax(ab);
            args.push_back(expr(ab, ae));
        }
        return args;
    }

    QString joinArgs(const std::vector<Expr>& args) const {
        QStringList l;
        for (const Expr& a : args)
            l << a.text;
        return l.join(", ");
    }

    void requireArgs(const SqlToken& name, const std::vector<Expr>& args, size_t min,
                     size_t max) const {
        if (args.size() < min || args.size() > max)
            throw Error(
                174,
                "The " + name.text.toLower() + " function requires " + QString::number(min) +
                    (max != min ? " to " + QString::number(max) : QString()) + " argument(s).",
                stmt_);
    }

    Expr functionCall(int& i, int e) {
        const SqlToken& name = tok(i);
        const int open = i + 1;
        const int close = match_[open];
        if (close >= e) throw syntax(open);
        const QString w = upper(name);
        i = close + 1;
        Expr x;
        if (w == "CONVERT") {
            const auto parts = splitCommas(open + 1, close);
            if (parts.size() < 2 || parts.size() > 3)
                throw Error(174, "The convert function requires 2 or 3 arguments.", stmt_);
            const SqlType type = sqlType(parts[0].first, parts[0].second);
            const Expr value = expr(parts[1].first, parts[1].second);
            int style = 0;
            if (parts.size() == 3) {
                const auto [sb, se] = parts[2];
                if (se != sb + 1 || tok(sb).kind != SqlToken::Number)
                    throw unsupported("CONVERT with a style that is not a number");
                if (!kDateStyles.contains(tok(sb).text))
                    throw unsupported("CONVERT style " + tok(sb).text);
                style = tok(sb).text.toInt();
            }
            return conversion(type, value, style, parts.size() == 3);
        }
        if (w == "CAST") {
            const int as = findTop(open + 1, close, [&](int k) { return word(k, "AS"); });
            if (as >= close) throw syntax(close);
            const Expr value = expr(open + 1, as);
            return conversion(sqlType(as + 1, close), value, 0, false);
        }
        if (w == "COUNT" && tok(open + 1).isOp("*") && close == open + 2) {
            x.text = "count(*)";
            x.info.kind = ColumnKind::Integer;
            return x;
        }
        if (w == "COUNT" || w == "MIN" || w == "MAX" || w == "SUM") {
            int argStart = open + 1;
            QString prefix;
            if (word(argStart, "DISTINCT")) {
                prefix = "DISTINCT ";
                ++argStart;
            }
            const auto args = arguments(argStart, close);
            requireArgs(name, args, 1, 1);
            x.text = w.toLower() + "(" + prefix + args[0].text + ")";
            x.info.kind = w == "COUNT" ? ColumnKind::Integer
                                       : (w == "SUM" ? ColumnKind::Unknown : args[0].info.kind);
            return x;
        }
        const auto args = arguments(open + 1, close);
        struct Mapping {
            const char* tsql;
            const char* sqlite;
            size_t min, max;
            ColumnKind kind;
        };
        static const Mapping mappings[] = {
            {"ISNULL", "ifnull", 2, 2, ColumnKind::Unknown},
            {"COALESCE", "coalesce", 2, 32, ColumnKind::Unknown},
            {"RTRIM", "rtrim", 1, 1, ColumnKind::Text},
            {"LTRIM", "ltrim", 1, 1, ColumnKind::Text},
            {"UPPER", "tsql_upper", 1, 1, ColumnKind::Text},
            {"LOWER", "tsql_lower", 1, 1, ColumnKind::Text},
            {"LEN", "tsql_len", 1, 1, ColumnKind::Integer},
            {"SUBSTRING", "tsql_substring", 3, 3, ColumnKind::Text},
            {"LEFT", "tsql_left", 2, 2, ColumnKind::Text},
            {"GETDATE", "tsql_getdate", 0, 0, ColumnKind::DateTime},
            {"SCOPE_IDENTITY", "last_insert_rowid", 0, 0, ColumnKind::Integer},
        };
        for (const Mapping& m : mappings) {
            if (w == QLatin1String(m.tsql)) {
                requireArgs(name, args, m.min, m.max);
                x.text = QLatin1String(m.sqlite) + "(" + joinArgs(args) + ")";
                x.info.kind = m.kind;
                if (m.kind == ColumnKind::Unknown && !args.empty())
                    x.info.kind = args[0].info.kind == ColumnKind::Unknown ? args[1].info.kind
                                                                           : args[0].info.kind;
                return x;
            }
        }
        throw unsupported("the function " + name.text);
    }

    // A run of primaries joined by arithmetic operators. "+" becomes tsql_plus(), which adds
    // numbers and concatenates text the way SQL Server decides by the operands' types.
    Expr arithmetic(int& i, int e) {
        std::vector<Expr> items;
        std::vector<QString> ops;
        items.push_back(primary(i, e));
        while (i < e && isArithmetic(tok(i)) && startsPrimary(i + 1, e)) {
            ops.push_back(tok(i).text);
            ++i;
            items.push_back(primary(i, e));
        }
        if (ops.empty()) return items[0];
        Expr x;
        // Multiplicative terms first, then the additive chain from the left.
        std::vector<QString> terms{items[0].text};
        std::vector<QString> addOps;
        for (size_t k = 0; k < ops.size(); ++k) {
            if (ops[k] == "+" || ops[k] == "-") {
                addOps.push_back(ops[k]);
                terms.push_back(items[k + 1].text);
            } else {
                terms.back() += " " + ops[k] + " " + items[k + 1].text;
            }
        }
        QString acc = terms[0];
        for (size_t k = 0; k < addOps.size(); ++k) {
            if (addOps[k] == "+")
                acc = "tsql_plus(" + acc + ", " + terms[k + 1] + ")";
            else
                acc = "(" + acc + " - " + terms[k + 1] + ")";
        }
        x.text = acc;
        return x;
    }

    Expr expr(int b, int e) {
        if (b >= e) throw syntax(b);
        QStringList out;
        Expr single;
        int runs = 0;
        int others = 0;
        ExprInfo leftOfComparison;
        bool afterComparison = false;
        ExprInfo lastRun;
        bool lastRunConsumed = true; // the last element of `out` is not a bare operand
        int i = b;
        while (i < e) {
            const SqlToken& t = tok(i);
            if (startsPrimary(i, e)) {
                Expr run = arithmetic(i, e);
                ++runs;
                if (afterComparison) {
                    if (leftOfComparison.singleColumn &&
                        leftOfComparison.kind == ColumnKind::DateTime && run.info.stringLiteral)
                        run.text = "tsql_datetime(" + run.text + ", 0)";
                    else if (leftOfComparison.kind != ColumnKind::Integer &&
                             leftOfComparison.kind != ColumnKind::Real &&
                             leftOfComparison.kind != ColumnKind::Bit && !run.info.numberLiteral)
                        run.text = "(" + run.text + ") COLLATE TSQL";
                    afterComparison = false;
                }
                lastRun = run.info;
                single = run;
                out << run.text;
                lastRunConsumed = false;
                continue;
            }
            ++others;
            afterComparison = false;
            if (!(t.kind == SqlToken::Name && upper(t) == "LIKE")) lastRunConsumed = true;
            if (isComparison(t)) {
                if (tok(i + 1).isWord("ANY") || tok(i + 1).isWord("ALL") ||
                    tok(i + 1).isWord("SOME"))
                    throw unsupported("comparisons with ANY, SOME or ALL");
                out << t.text;
                leftOfComparison = lastRun;
                afterComparison = true;
                ++i;
                continue;
            }
            if (t.kind == SqlToken::Operator) {
                if (t.text == "," || t.text == "*") {
                    out << t.text;
                    ++i;
                    continue;
                }
                if (t.text == "||" || t.text == "&" || t.text == "|" || t.text == "^" ||
                    t.text == "!<" || t.text == "!>" || t.text == "::" || t.text.endsWith('='))
                    throw unsupported("the operator " + t.text);
                throw syntax(i);
            }
            if (t.kind == SqlToken::Name) {
                const QString w = upper(t);
                static const QSet<QString> passWords = {
                    "AND",    "OR",     "NOT", "IS",  "LIKE", "IN",      "BETWEEN",
                    "EXISTS", "ESCAPE", "AS",  "ASC", "DESC", "DISTINCT"};
                // A LIKE tells the planner that it keeps few rows (SQLite knows nothing of
                // the program's LIKE function), so a contains-search scans the filtered table
                // first and joins only what matched.
                if (w == "LIKE" && !out.isEmpty() && !lastRunConsumed && i + 1 < e &&
                    startsPrimary(i + 1, e)) {
                    const QString left = out.takeLast();
                    ++i;
                    Expr pattern = arithmetic(i, e);
                    ++runs;
                    QString like = left + " LIKE " + pattern.text;
                    if (i < e && tok(i).isWord("ESCAPE") && i + 1 < e && startsPrimary(i + 1, e)) {
                        ++i;
                        like += " ESCAPE " + arithmetic(i, e).text;
                    }
                    like = "likelihood(" + like + ", 0.05)";
                    // On a plain column, "X = X" is NULL exactly when X is and true otherwise,
                    // so the LIKE keeps its value anywhere in the condition; SQLite takes the
                    // comparison as proof that the column's row exists, and so turns a LEFT
                    // JOIN whose right side the WHERE clause requires into an inner join, as
                    // SQL Server does, free to start from the table the LIKE filters.
                    if (lastRun.singleColumn) like = "(" + like + " AND " + left + " = " + left + ")";
                    out << like;
                    lastRunConsumed = true;
                    continue;
                }
                if (passWords.contains(w)) {
                    out << w;
                    ++i;
                    // An alias after AS is a name even when it looks like a keyword.
                    if (w == "AS" && i < e && tok(i).isName()) {
                        out << quoteName(tok(i).text);
                        ++i;
                    }
                    continue;
                }
                if (w == "COLLATE") throw unsupported("COLLATE");
                if (foreignWords().contains(w))
                    throw unsupported("'" + t.text + "', which is not T-SQL");
            }
            throw syntax(i);
        }
        if (runs == 1 && others == 0) return single;
        Expr x;
        x.text = out.join(' ');
        return x;
    }

    // ---- changes ---------------------------------------------------------------------------

    ColumnKind targetKind(const TableName& table, const QString& column) const {
        return catalog_ ? catalog_->columnKind(table.database, table.table, column)
                        : ColumnKind::Unknown;
    }

    // A value stored into a column: dates and bits are normalised as SQL Server converts them.
    QString storedValue(ColumnKind kind, const QString& value) const {
        if (kind == ColumnKind::DateTime) return "tsql_datetime(" + value + ", 0)";
        if (kind == ColumnKind::Bit) return "tsql_to_bit(" + value + ")";
        return value;
    }

    QString insert(int e) {
        int i = 1;
        if (word(i, "INTO")) ++i;
        const ObjectName n = objectName(i);
        const TableName table = resolveTable(n);
        i = n.end;
        if (!tok(i).isOp("("))
            throw word(i, "VALUES") || word(i, "SELECT") || word(i, "DEFAULT")
                ? unsupported("INSERT without a column list")
                : syntax(i);
        const int close = match_[i];
        QStringList columns;
        std::vector<ColumnKind> kinds;
        for (auto [cb, ce] : splitCommas(i + 1, close)) {
            if (ce != cb + 1 || !tok(cb).isName()) throw syntax(cb);
            columns << quoteName(tok(cb).text);
            kinds.push_back(targetKind(table, tok(cb).text));
        }
        i = close + 1;
        QString out = "INSERT INTO " + table.sql() + "(" + columns.join(", ") + ") ";
        if (word(i, "OUTPUT")) throw unsupported("OUTPUT");
        if (word(i, "SELECT")) {
            for (ColumnKind k : kinds)
                if (k == ColumnKind::DateTime || k == ColumnKind::Bit)
                    throw unsupported("INSERT ... SELECT into date or bit columns");
            return out + query(i, e);
        }
        expectWord(i, "VALUES");
        ++i;
        QStringList rows;
        while (i < e) {
            expectOp(i, "(");
            const int rowClose = match_[i];
            const auto values = splitCommas(i + 1, rowClose);
            if (values.size() != static_cast<size_t>(columns.size()))
                throw Error(values.size() < static_cast<size_t>(columns.size()) ? 109 : 110,
                            values.size() < static_cast<size_t>(columns.size())
                                ? "There are more columns in the INSERT statement than values "
                                  "specified in the VALUES clause. The number of values in the "
                                  "VALUES clause must match the number of columns specified in "
                                  "the INSERT statement."
                                : "There are fewer columns in the INSERT statement than values "
                                  "specified in the VALUES clause. The number of values in the "
                                  "VALUES clause must match the number of columns specified in "
                                  "the INSERT statement.",
                            stmt_);
            QStringList row;
            for (size_t k = 0; k < values.size(); ++k)
                row << storedValue(kinds[k], expr(values[k].first, values[k].second).text);
            rows << "(" + row.join(", ") + ")";
            i = rowClose + 1;
            if (i < e) {
                expectOp(i, ",");
                ++i;
            }
        }
        return out + "VALUES " + rows.join(", ");
    }

    QString update(int e) {
        int i = 1;
        if (word(i, "TOP")) throw unsupported("UPDATE TOP");
        const ObjectName n = objectName(i);
        const TableName table = resolveTable(n);
        i = n.end;
        if (word(i, "WITH") && tok(i + 1).isOp("(")) throw unsupported("table hints in UPDATE");
        expectWord(i, "SET");
        const int where = findTop(i + 1, e, [&](int k) {
            return word(k, "WHERE") || word(k, "FROM") || word(k, "OUTPUT");
        });
        if (where < e && !word(where, "WHERE"))
            throw unsupported("UPDATE ... " + upper(tok(where)));
        QStringList sets;
        for (auto [sb, se] : splitCommas(i + 1, where)) {
            if (!tok(sb).isName() || tok(sb + 1).isOp("."))
                throw tok(sb + 1).isOp(".") ? unsupported("qualified column names in SET")
                                            : syntax(sb);
            if (!tok(sb + 1).isOp("="))
                throw tok(sb + 1).kind == SqlToken::Operator && tok(sb + 1).text.endsWith('=')
                    ? unsupported("compound assignment " + tok(sb + 1).text)
                    : syntax(sb + 1);
            const QString value = expr(sb + 2, se).text;
            sets << quoteName(tok(sb).text) + " = " +
                        storedValue(targetKind(table, tok(sb).text), value);
        }
        QString out = "UPDATE " + table.sql() + " SET " + sets.join(", ");
        if (where < e) out += " WHERE " + expr(where + 1, e).text;
        return out;
    }

    QString remove(int e) {
        int i = 1;
        if (word(i, "TOP")) throw unsupported("DELETE TOP");
        if (word(i, "FROM")) ++i;
        const ObjectName n = objectName(i);
        const TableName table = resolveTable(n);
        i = n.end;
        QString out = "DELETE FROM " + table.sql();
        if (i < e) {
            if (word(i, "FROM") || word(i, "OUTPUT"))
                throw unsupported("DELETE ... " + upper(tok(i)));
            expectWord(i, "WHERE");
            out += " WHERE " + expr(i + 1, e).text;
        }
        return out;
    }
};

} // namespace

Translation translateQuery(TokenStream&& tokens) {
    return QueryRewriter(std::move(tokens)).run();
}

} // namespace db::tsql
