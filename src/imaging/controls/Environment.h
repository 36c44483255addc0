#pragma once
// What the engine's controls reach the world through: the resolver of the paths they are
// given, the clock of stamp texts, the printer, the file, print, thumbnail-size and page
// display dialogs, and the scanner. The program makes one environment for each main window
// (from the session's services) and hands it to the controls it creates; tests and tools
// hand one holding doubles. An environment is not changed once it is handed out: it is
// shared, read from worker threads (paths, printer) and never replaced under a control.
//
// A default-made environment holds the real implementations: paths taken as native, the
// system clock, the system printer (the one last chosen in its print dialog), the Qt
// dialogs. The scanner stays empty there: a scanner control given none opens SANE itself,
// since opening it is costly and most environments never scan.
#include "imaging/documents/PathResolver.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

namespace imaging {

class PrinterProvider;
class FileDialogRunner;
class PrintDialogRunner;
class ThumbSizeDialogRunner;
class EditDialogs;
class ScannerBackend;
class ScanUi;

struct Environment {
    Environment();
    Environment(const Environment&) = default;
    Environment& operator=(const Environment&) = default;
    ~Environment();

    PathResolver paths;                               // empty: paths are native already
    std::function<QDateTime()> clock;                 // empty: the system clock
    std::shared_ptr<PrinterProvider> printer;         // never null
    std::shared_ptr<FileDialogRunner> fileDialog;     // never null
    std::shared_ptr<PrintDialogRunner> printDialog;   // never null
    std::shared_ptr<ThumbSizeDialogRunner> thumbSizeDialog; // never null
    std::shared_ptr<EditDialogs> editDialogs;         // never null
    std::shared_ptr<ScannerBackend> scanner;          // null: SANE
    std::shared_ptr<ScanUi> scanUi;                   // null: the scanner dialogs

    // Native path for a path given to the engine.
    QString nativePath(const QString& path) const { return resolvePath(paths, path); }
    QDateTime now() const { return clock ? clock() : QDateTime::currentDateTime(); }
};

using EnvironmentPtr = std::shared_ptr<const Environment>;

// The real environment (default-made), shared by the controls made without one.
EnvironmentPtr realEnvironment();

} // namespace imaging
