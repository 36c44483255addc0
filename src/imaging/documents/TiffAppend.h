#pragma once
// Adding a page at the end of a TIFF file without rewriting the pages before it, so that a
// long scan costs what it adds and a kill at any moment leaves a valid file.
//
// The page (a one-page TIFF as encodeTiffPage makes it) is written after the end of the
// file with its offsets moved there, and flushed to disk (fsync); then the last directory's
// next-directory link is switched to it with one small write in place, flushed too. Until
// the switch the file holds the pages it held before plus trailing bytes no directory
// refers to, which readers ignore (the next append goes after them). A read-only file or a
// symbolic link is refused, as AtomicFile refuses them.
#include <QByteArray>
#include <QString>

namespace imaging {

// Whether `nativePath` (an existing TIFF file) can take pages this way: a classic
// little-endian TIFF whose chain is intact and ends below the 4 GB offset limit. The other
// files are rewritten whole by the caller.
bool canAppendInPlace(const QString& nativePath);

// Appends `onePageTiff` as the last page of `nativePath`. Raises Error (kErrFileAccess,
// kErrDiskFull, kErrBadFile; kErrUnsupported, with the file unchanged, when canAppendInPlace
// is false or the file system cannot write into an existing file: the caller rewrites it).
void appendPageInPlace(const QString& nativePath, const QByteArray& onePageTiff);

} // namespace imaging
