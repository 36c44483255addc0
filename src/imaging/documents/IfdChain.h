#pragma once
// A small reader of the TIFF container itself (classic and BigTIFF, either byte order),
// independent of libtiff: the header, the chain of image file directories (IFDs) and their
// entries. Opening a document walks the chain with it to count the pages and remember where
// each one's directory is, without reading any pixel data; the writer copies pages with it.
// It never trusts the file: every offset and count is checked against the file size and
// against fixed bounds, and a chain that loops is reported.
#include "imaging/documents/ByteSource.h"

#include <QByteArray>
#include <optional>
#include <vector>

namespace imaging::tiff {

enum Type : quint16 {
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kSByte = 6,
    kUndefined = 7,
    kSShort = 8,
    kSLong = 9,
    kSRational = 10,
    kFloat = 11,
    kDouble = 12,
    kIfd = 13,
    kLong8 = 16,
    kSLong8 = 17,
    kIfd8 = 18,
};

// Size in bytes of one value of `type`, 0 for types this reader does not know.
int typeSize(quint16 type);
// Size of the unit that byte-order conversion swaps (a RATIONAL swaps as two LONGs).
int swapUnit(quint16 type);

// Tags the engine reads or rewrites.
enum Tag : quint16 {
    kTagNewSubfileType = 254,
    kTagImageWidth = 256,
    kTagImageLength = 257,
    kTagBitsPerSample = 258,
    kTagCompression = 259,
    kTagPhotometric = 262,
    kTagFillOrder = 266,
    kTagStripOffsets = 273,
    kTagOrientation = 274,
    kTagSamplesPerPixel = 277,
    kTagRowsPerStrip = 278,
    kTagStripByteCounts = 279,
    kTagXResolution = 282,
    kTagYResolution = 283,
    kTagPlanarConfig = 284,
    kTagFreeOffsets = 288,
    kTagFreeByteCounts = 289,
    kTagResolutionUnit = 296,
    kTagPageNumber = 297,
    kTagTileWidth = 322,
    kTagTileLength = 323,
    kTagTileOffsets = 324,
    kTagTileByteCounts = 325,
    kTagSubIfds = 330,
    kTagJpegIfOffset = 513,
    kTagJpegIfByteCount = 514,
    kTagExifIfd = 34665,
    kTagGpsIfd = 34853,
    kTagInteropIfd = 40965,
};

// Bounds on what a file may claim.
inline constexpr int kMaxIfds = 100000; // pages in one file
inline constexpr quint64 kMaxEntriesPerIfd = 4096;
inline constexpr quint64 kMaxValueBytes = 256ull * 1024 * 1024; // one tag's data

struct Header {
    bool bigEndian = false;
    bool bigTiff = false;
    quint64 firstIfd = 0;
};

struct Entry {
    quint16 tag = 0;
    quint16 type = 0;
    quint64 count = 0;
    quint64 valueOffset = 0; // where the value bytes are (inside the entry when they fit)
    bool valid = false;      // known type and value inside the file
    quint64 byteSize() const { return count * quint64(typeSize(type)); }
};

struct Ifd {
    quint64 offset = 0;
    quint64 nextOffset = 0;
    std::vector<Entry> entries; // in file order
    const Entry* find(quint16 tag) const;
};

class TiffFile {
public:
    // Reads the header. Raises Error(kErrBadFile) when it is not a TIFF header.
    explicit TiffFile(ByteSourcePtr source);

    const Header& header() const { return header_; }
    const ByteSourcePtr& source() const { return source_; }

    // Offsets of the IFDs of the main chain, in order. Raises Error(kErrBadFile) for a loop,
    // a directory outside the file, a malformed directory, no directory at all, or more
    // than `maxIfds` of them. With `loop` given, a chain that loops back ends before the
    // repeated directory instead, and `loop` says where it looped (empty when it did not).
    std::vector<quint64> walkChain(int maxIfds = kMaxIfds, QString* loop = nullptr) const;

    // The directory at `offset`. Raises Error(kErrBadFile).
    Ifd readIfd(quint64 offset) const;

    // Value bytes of an entry in the file's byte order. Raises Error(kErrBadFile).
    QByteArray value(const Entry& e) const;
    // Values of an integer entry (BYTE, SHORT, LONG, LONG8, IFD, IFD8). Raises Error.
    std::vector<quint64> uintValues(const Entry& e) const;
    // The first value of a tag; none when the tag is absent, damaged or not an integer.
    std::optional<quint64> uintValue(const Ifd& ifd, quint16 tag) const;
    std::optional<double> rationalValue(const Ifd& ifd, quint16 tag) const;

    quint16 get16(const uchar* p) const;
    quint32 get32(const uchar* p) const;
    quint64 get64(const uchar* p) const;

private:
    ByteSourcePtr source_;
    Header header_;
};

// Converts value bytes of `type` between byte orders (in place).
void swapValueBytes(QByteArray& bytes, quint16 type);

} // namespace imaging::tiff
