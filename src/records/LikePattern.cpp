#include "records/LikePattern.h"

#include "db/Connection.h"

namespace records {

QString quoteLikeLiteral(const QString& value) {
    QString literal;
    literal.reserve(value.size());
    for (const QChar c : value) {
        if (c == u'%' || c == u'_' || c == u'[')
            literal += QLatin1Char('[') + c + QLatin1Char(']');
        else
            literal += c;
    }
    return db::quote(literal);
}

} // namespace records
