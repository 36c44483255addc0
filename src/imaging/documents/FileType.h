#pragma once
// File type codes reported and accepted at the engine's interface.
namespace imaging {

enum FileTypeCode : int {
    kFileUnknown = 0,
    kFileTiff = 1,
    kFileAwd = 2, // recognised only to be refused clearly: AWD is not supported
    kFileBmp = 3,
    kFilePng = 4,
    kFileJpeg = 5,
};

} // namespace imaging
