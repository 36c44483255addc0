#pragma once
// What tells one state of a file from another without reading its pages: its size, its
// modification time and a hash of its TIFF directory chain (the header and every directory's
// entries and link, which change with any page added, removed, replaced, re-annotated or
// moved). A file that is not a TIFF is hashed whole. Used to notice, before a write, that the
// file is no longer the one that was opened (another workstation saved it, moved it away or
// deleted it).
#include <QByteArray>
#include <QString>

namespace imaging {

struct FileIdentity {
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedMsecs = 0;
    QByteArray chainHash; // SHA-256; empty when the file does not exist
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at `nativePath` now; `exists` is false when it cannot be read.
FileIdentity readFileIdentity(const QString& nativePath);

} // namespace imaging
