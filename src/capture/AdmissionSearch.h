#pragma once
// The admission search's reading of what the clerk typed: an admission number (with its T or
// B), or a name "last, first", plus the optional admission date.
#include "records/CaptureStatements.h"

#include <QString>

namespace capture {

// Whether `text` reads as a number the way the locale writes numbers ("12345", "1,234",
// "12.5", " 7 ").
bool isNumericText(const QString& text);

// Classifies the trimmed search text and the date box: a number searches in-patients by IdNum;
// a number with T (either case) in-patients, with B out-patients, by IdNum as typed; anything
// else is a name split at the first comma into last and first name (each trimmed). The date
// filters only when it is a valid date (sent as mm/dd/yyyy).
records::AdmissionSearch classifyAdmissionSearch(const QString& text, const QString& dateBox,
                                                 bool includeOutPatients, bool orderByDate);

} // namespace capture
