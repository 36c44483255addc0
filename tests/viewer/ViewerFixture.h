#pragma once
// A signed-in main window over doubles of every edge: scripted messages, a fake scanner, and
// scripted file, print and page-display dialogs; documents made in a scratch folder with
// marker pixels that tell their pages apart.
#include "app/Settings.h"
#include "doubles/ScannerFake.h"
#include "doubles/ScriptedDialogs.h"
#include "doubles/TestSession.h"
#include "imaging/controls/Dialogs.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageEditDialogs.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/documents/PageOps.h"
#include "imaging/controls/Print.h"
#include "imaging/scanning/ScannerUi.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>

namespace viewertest {

// Scanner dialogs and messages answered from a script.
class ScriptedScanUi : public imaging::ScanUi {
public:
    QStringList messages;
    bool setupAnswer = true;
    int setupShown = 0;
    void showMessage(const QString& text) override { messages << text; }
    bool runSetup(imaging::ScannerDevice&) override {
        ++setupShown;
        return setupAnswer;
    }
    bool runPreferences(imaging::ScannerDevice&, imaging::ScanPreferences&) override { return false; }
    bool runSelectScanner(const std::vector<imaging::ScanDeviceInfo>&, QString&) override {
        return false;
    }
    std::unique_ptr<imaging::ScanProgressView> createProgress() override;
};

// Page-display dialogs answered from a script: accepted or not, texts and files to give.
class ScriptedEditDialogs : public imaging::EditDialogs {
public:
    bool accept = true;
    std::vector<QString> shown; // object names of the dialogs run
    std::function<void(QDialog&)> whileShown;
    std::optional<QString> text = QStringLiteral("Note");
    QString file;
    bool run(QDialog& dialog) override {
        shown.push_back(dialog.objectName());
        if (whileShown) whileShown(dialog);
        return accept;
    }
    std::optional<QString> askText(QWidget*, const QString&, const QString&, bool) override {
        return text;
    }
    QString chooseFile(QWidget*, const QString&, const QString&) override { return file; }
};

// A bitonal page of `size` whose label is drawn as 8-pixel blocks along the top edge (bit i
// of `label` black at x 8i..8i+7) with a black 8x8 block in the bottom-right corner.
QImage labelledPage(int label, QSize size = QSize(400, 300));
// The label a page shows, or -1 when its corner block is not where it belongs.
int pageLabel(const QImage& page);

class ViewerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the main window (signed in, scanning access unless told otherwise) and loads it.
    viewer::MainWindow& load(bool admin = true);
    // Writes a TIFF of `pages` labelled pages (labels 1..pages) and returns its path.
    QString makeDocument(const QString& name, int pages, QSize size = QSize(400, 300));
    // Opens a file in the window as Open Image does after its dialog, and waits for the page.
    void open(const QString& path);
    // Waits until the window's jobs have finished (their continuations run) and the page
    // display and the thumbnails have nothing pending.
    void settle();
    // Runs events until no job of the window runs; false when the time is up first.
    bool waitForJobs(int timeoutMs = 10000);

    QAction* action(const QString& name) const { return w->findChild<QAction*>(name); }
    viewer::MainWindowUi& ui() const { return w->ui(); }
    imaging::ImageEdit& edit() const { return *w->docImgEdit1; }
    imaging::ImageThumbnail& thumbs() const { return *w->docImgThumbnail1; }
    // Labels of the pages of a file on disk, in order.
    std::vector<int> labelsOnDisk(const QString& path) const;

    doubles::TestSession t;
    std::shared_ptr<doubles::FakeScanner> scanner;
    std::shared_ptr<ScriptedScanUi> scanUi;
    std::shared_ptr<doubles::ScriptedFileDialogRunner> fileDialogs;
    std::shared_ptr<doubles::ScriptedPrintDialogRunner> printDialogs;
    std::shared_ptr<ScriptedEditDialogs> editDialogs;
    // The window's printer (set before load; a test may hand in another).
    std::shared_ptr<imaging::PrinterProvider> printer;
    std::unique_ptr<viewer::MainWindow> w;
};

} // namespace viewertest
