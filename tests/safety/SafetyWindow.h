#pragma once
// A signed-in main window with the record safety workflow installed, over the doubles of
// every edge, showing a three-page record of labelled pages ("record.tif" in the scratch
// folder, the storage root).
#include "doubles/ScannerFake.h"
#include "doubles/ScriptedDialogs.h"
#include "doubles/TestSession.h"
#include "imaging/documents/PageOps.h"
#include "safety/Workflow.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

namespace safetytest {

// Pages 200 x 100 pixels, one black block at x = 8 * label so each page tells itself.
inline std::vector<imaging::PageSource> labelled(std::initializer_list<int> labels) {
    std::vector<imaging::PageSource> out;
    for (int label : labels) {
        QImage page(200, 100, QImage::Format_Mono);
        page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        page.fill(0);
        for (int y = 0; y < 8; ++y)
            for (int x = 8 * label; x < 8 * label + 8; ++x) page.setPixel(x, y, 1);
        out.push_back(imaging::PageSource::pixels(page, 100, 100, {}));
    }
    return out;
}

inline QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class SafetyWindow : public ::testing::Test {
protected:
    void SetUp() override {
        t.signIn();
        t.s().gblnAdmin = true;
        t.s().gstrDefaultDirectory = t.dir.path();
        viewer::MainWindowOptions options;
        options.imaging.scanner = std::make_shared<doubles::FakeScanner>();
        options.imaging.fileDialog = std::make_shared<doubles::ScriptedFileDialogRunner>();
        w = std::make_unique<viewer::MainWindow>(t.s(), options);
        safety::install(*w);
        w->show();
        w->Form_Load();
        path = t.dir.file("record.tif");
        imaging::writeDocument(path, labelled({1, 2, 3}));
        w->doc().gblnNewDocument = false;
        w->PerformFileOpen(false, path, 1);
        finishJobs();
        t.prompter.shown.clear();
    }
    void TearDown() override {
        w->jobs().cancelAllAndWait();
        w.reset();
        QApplication::processEvents();
    }
    // Waits until no job of the window runs and the notices they queued have arrived.
    void finishJobs() {
        QDeadlineTimer deadline(20000);
        do {
            while (w->jobs().anyRunning() && !deadline.hasExpired()) QTest::qWait(5);
            QTest::qWait(20);
        } while (w->jobs().anyRunning() && !deadline.hasExpired());
        EXPECT_FALSE(w->jobs().anyRunning()) << "a job of the window did not finish";
    }
    doubles::TestSession t;
    std::unique_ptr<viewer::MainWindow> w;
    QString path;
};

} // namespace safetytest
