#include "records/SchemaUpdate.h"

#include "records/HistoryStatements.h"
#include "records/SafetyStatements.h"

namespace records {

namespace {
const char* const kIndexOptions =
    "WITH (PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, SORT_IN_TEMPDB = OFF, "
    "DROP_EXISTING = OFF, ONLINE = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON)";
}

QString widenFileNameColumn() {
    return "alter table dbrecords..tblrecfiles alter column file_name varchar(150)";
}

QString useRecordsDatabase() {
    return "USE [dbRecords]";
}

QString createRecordFileIdIndex() {
    return QString("CREATE CLUSTERED INDEX [by_recfile_id] ON dbrecords.[dbo].[tblRecFiles]("
                   "[recfile_id] ASC )") +
           kIndexOptions;
}

QString createAdmissionIdIndex() {
    return QString("CREATE NONCLUSTERED INDEX [by_IDNum] ON [dbo].[tblRecFiles](    "
                   "[admission_id] ASC )") +
           kIndexOptions + " ON [PRIMARY]";
}

QString addDescriptionColumn() {
    return "alter table dbrecords..tblrecfiles add  Description varchar(150)";
}

QString addRecordTypeDepartmentColumn() {
    return "alter table dbrecords..tblRecType add  DepartmentID varchar(50)";
}

QString createDescriptionIndex() {
    return QString("CREATE  INDEX [by_Description] ON dbrecords.[dbo].[tblRecFiles]("
                   "[recfile_id] ASC )") +
           kIndexOptions;
}

QStringList schemaUpdateStatements() {
    return {widenFileNameColumn(),    useRecordsDatabase(),          createRecordFileIdIndex(),
            createAdmissionIdIndex(), addDescriptionColumn(),        addRecordTypeDepartmentColumn(),
            createDescriptionIndex(), createRecordLockTable(),   createHistoryTable(),
            createHistoryRecordIndex(), createHistoryHospitalNumberIndex(),
            createHistoryEmployeeIndex()};
}

} // namespace records
