#include "imaging/Environment.h"

#include "imaging/Dialogs.h"
#include "imaging/ImageEditDialogs.h"
#include "imaging/Print.h"
#include "imaging/ScannerBackend.h"
#include "imaging/ScannerUi.h"
#include "imaging/ThumbnailSizeDialog.h"

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
