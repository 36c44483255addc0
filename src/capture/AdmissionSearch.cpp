#include "capture/AdmissionSearch.h"

#include "storage/RecordPaths.h"

#include <QLocale>

namespace capture {

bool isNumericText(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    bool ok = false;
    QLocale().toDouble(t, &ok);
    if (!ok) QLocale::c().toDouble(t, &ok);
    return ok;
}

records::AdmissionSearch classifyAdmissionSearch(const QString& text, const QString& dateBox,
                                                 bool includeOutPatients, bool orderByDate) {
    using records::AdmissionScope;
    records::AdmissionSearch a;
    a.includeOutPatients = includeOutPatients;
    a.orderByDate = orderByDate;
    const QString t = text.trimmed();
    const QChar last = t.isEmpty() ? QChar() : t.back().toUpper();
    const QString rest = t.left(t.size() - 1);
    if (t.isEmpty()) {
    } else if (isNumericText(t)) {
        a.id = t;
        a.scope = AdmissionScope::InPatients;
    } else if (last == QLatin1Char('T') && isNumericText(rest)) {
        a.id = t;
        a.scope = AdmissionScope::InPatients;
    } else if (last == QLatin1Char('B') && isNumericText(rest)) {
        a.id = t;
        a.scope = AdmissionScope::OutPatients;
    } else {
        const int comma = t.indexOf(QLatin1Char(','));
        a.lastName = (comma < 0 ? t : t.left(comma)).trimmed();
        if (comma >= 0) a.firstName = t.mid(comma + 1).trimmed();
    }
    const QDate date = storage::parseRecordDate(dateBox.trimmed());
    if (date.isValid()) a.admDate = date.toString("MM/dd/yyyy");
    return a;
}

} // namespace capture
