#include "main/Workflows.h"

// A workflow is part of the program once its library is built and linked.
#if __has_include("capture/Workflow.h")
#include "capture/Workflow.h"
#define DOCUVANE_HAS_CAPTURE 1
#endif
#if __has_include("retrieval/Workflow.h")
#include "retrieval/DemoShare.h"
#include "retrieval/Workflow.h"
#define DOCUVANE_HAS_RETRIEVAL 1
#endif
#if __has_include("rectypes/Workflow.h")
#include "rectypes/Workflow.h"
#define DOCUVANE_HAS_RECTYPES 1
#endif
#if __has_include("reports/Workflow.h")
#include "reports/Workflow.h"
#define DOCUVANE_HAS_REPORTS 1
#endif
#if __has_include("maintenance/Workflow.h")
#include "maintenance/Workflow.h"
#define DOCUVANE_HAS_MAINTENANCE 1
#endif
#if __has_include("safety/Workflow.h")
#include "safety/Workflow.h"
#define DOCUVANE_HAS_SAFETY 1
#endif

namespace program {

void installWorkflows([[maybe_unused]] viewer::MainWindow& window) {
#ifdef DOCUVANE_HAS_CAPTURE
    capture::install(window);
#endif
#ifdef DOCUVANE_HAS_RETRIEVAL
    retrieval::install(window);
#endif
#ifdef DOCUVANE_HAS_RECTYPES
    rectypes::install(window);
#endif
#ifdef DOCUVANE_HAS_REPORTS
    reports::install(window);
#endif
#ifdef DOCUVANE_HAS_MAINTENANCE
    maintenance::install(window);
#endif
#ifdef DOCUVANE_HAS_SAFETY
    safety::install(window);
#endif
}

void fillDemoShare([[maybe_unused]] db::Connection& connection,
                   [[maybe_unused]] const QString& shareFolder) {
#ifdef DOCUVANE_HAS_RETRIEVAL
    retrieval::writeDemoShare(connection, shareFolder);
#endif
}

} // namespace program
