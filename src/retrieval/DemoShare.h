#pragma once
// The demo share: a small TIFF for every filed record of the demo database, where the record's
// stored file name leads (relative names and full share paths with year folders under
// root\yyyy\yyyy-mm-dd, full paths of the older layout under root\yyyy-mm-dd; a department's
// records below root\<department>). Each page shows what it is, so an opened record can be told
// apart; laboratory results have three pages, and every 25th file is read-only.
#include <QString>

namespace db {
class Connection;
}

namespace retrieval {

// Writes the files into `shareFolder` (a native folder standing for the storage share).
// Files already there are left alone. Returns the number of files written.
int writeDemoShare(db::Connection& connection, const QString& shareFolder);

} // namespace retrieval
