#include "imaging/controls/Environment.h"

#include "imaging/controls/Dialogs.h"
#include "imaging/controls/ImageEditDialogs.h"
#include "imaging/controls/Print.h"
#include "imaging/scanning/ScannerBackend.h"
#include "imaging/scanning/ScannerUi.h"
#include "imaging/controls/ThumbnailSizeDialog.h"

namespace imaging {

Environment::Environment() {
    auto system = std::make_shared<SystemPrinterProvider>();
    printer = system;
    fileDialog = std::make_shared<QtFileDialogRunner>();
    // The printer chosen in the print dialog is the one the next job prints on.
    printDialog = std::make_shared<QtPrintDialogRunner>(system);
    thumbSizeDialog = std::make_shared<QtThumbSizeDialogRunner>();
    editDialogs = std::make_shared<QtEditDialogs>();
}

Environment::~Environment() = default;

EnvironmentPtr realEnvironment() {
    static const EnvironmentPtr real = std::make_shared<const Environment>();
    return real;
}

} // namespace imaging
