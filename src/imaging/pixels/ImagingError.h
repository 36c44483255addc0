#pragma once
// Errors raised by the imaging engine: a number and a description, like the errors of the
// controls the rest of the program talks to.
#include <QString>
#include <stdexcept>

namespace imaging {

// Raised when the user cancels a file or print dialog (when the control asks for it).
inline constexpr int kCancelError = 32755;

// Error numbers of our own (any value but 0 means failure).
enum ErrorNumber : int {
    kErrFileNotFound = 1001,
    kErrFileAccess = 1002,    // cannot open, read, write or rename
    kErrBadFile = 1003,       // corrupt, truncated, looping IFD chain, zero pages
    kErrUnsupported = 1004,   // AWD, unknown compression, unsupported sample layout
    kErrTooLarge = 1005,      // decoded page size above the documented bound
    kErrBadPage = 1006,       // page number out of range
    kErrBadArgument = 1007,   // any other invalid argument
    kErrNoDocument = 1008,    // operation needs an open document
    kErrDiskFull = 1009,      // write failed for lack of space
    kErrScanner = 1010,       // scanner failure (jam, cover open, I/O)
    kErrNoScanner = 1011,     // no scanner present
    kErrPrinter = 1012,       // printing failed
    kErrClipboard = 1013,     // nothing usable on the clipboard
    kErrChangedElsewhere = 1014, // the file is no longer the one opened (changed, moved, gone)
};

class Error : public std::runtime_error {
public:
    Error(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number),
          description_(description) {}
    int number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }

private:
    int number_;
    QString description_;
};

} // namespace imaging
