#include "db/Connection.h"

namespace db {

QString quote(const QString& value) {
    QString out = value;
    out.remove(QChar(0));
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

} // namespace db
