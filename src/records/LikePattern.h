#pragma once
// Typed text inside a LIKE pattern: the statements that search by part of a name or a
// description put the user's text between their own % wildcards, and the text itself must
// match only itself.
#include <QString>

namespace records {

// `value` with LIKE's special characters made literal the T-SQL way (each %, _ and [ inside
// brackets: [%], [_], [[]), then quoted with db::quote, ready to stand between quotes in a
// LIKE pattern.
QString quoteLikeLiteral(const QString& value);

} // namespace records
