// Program start to main window shown, on the embedded backend: the start-up window, the
// sign-in of a demo user (answered at once, so the user's typing is not measured, the
// password check is), the connection, and the main window's load.
#include "doubles/ScriptedCredentials.h"
#include "support/QtBenchmarkMain.h"
#include "app/Prompter.h"
#include "app/SignIn.h"
#include "imaging/controls/ImageScan.h"
#include "main/Program.h"
#include "viewer/MainWindow.h"

#include <QApplication>
#include <QTemporaryDir>
#include <memory>
#include <benchmark/benchmark.h>

namespace {

class AlwaysOk : public app::Prompter {
public:
    int ask(const app::Message&) override { return app::mb::OK; }
};

void BM_StartToMainWindow(benchmark::State& state) {
    QTemporaryDir scratch;
    const program::Folders folders{scratch.filePath("config"), scratch.filePath("data")};
    {
        // First use: the demo database is created once, outside the measurement.
        doubles::ScriptedCredentialsPrompt c;
        c.answers.push_back(app::Credentials{"1001", "records"});
        AlwaysOk p;
        program::Program warm(folders, &c, &p);
        warm.start();
    }
    for (auto _ : state) {
        doubles::ScriptedCredentialsPrompt credentials;
        credentials.answers.push_back(app::Credentials{"1001", "records"});
        AlwaysOk prompter;
        auto p = std::make_unique<program::Program>(folders, &credentials, &prompter);
        p->start();
        QApplication::processEvents();
        if (!p->mainWindow() || !p->mainWindow()->isVisible()) state.SkipWithError("no main window");
        // Tearing the program down is not part of starting it. The look for scanners that the
        // start began in the background is let finish first: a user starts the program once,
        // and probes left over from earlier iterations would take the processor from the next.
        state.PauseTiming();
        if (p->mainWindow()) p->mainWindow()->docImgScan1->scannerAvailable();
        p.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToMainWindow)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }
