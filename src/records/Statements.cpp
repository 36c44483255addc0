#include "records/Statements.h"

#include "db/Connection.h"

namespace records {

QString selectFileNamesOfRecordType(const QString& admissionId, int recordTypeId) {
    return "SELECT file_name FROM dbRecords.dbo.tblRecFiles WHERE admission_id='" +
           db::quote(admissionId) + "' and rectype_id='" + QString::number(recordTypeId) +
           "'    ORDER BY recfile_id";
}

} // namespace records
