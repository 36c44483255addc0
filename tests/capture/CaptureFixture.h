#pragma once
// A signed-in main window over the embedded demo database with record capture installed, the
// default share mapped to a scratch folder, and a scanner: the scripted fake by default, or
// SANE's test backend (useSaneScanner before load).
#include "app/Settings.h"
#include "doubles/ScannerFake.h"
#include "doubles/ScriptedDialogs.h"
#include "doubles/TestSession.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/scanning/ScannerUi.h"
#include "viewer/MainWindow.h"

#include <QDialog>
#include <gtest/gtest.h>
#include <memory>

class QComboBox;
namespace capture {
class RecordDialog;
}

namespace capturetest {

// The scanner's dialogs for tests: setup answered as scripted, messages recorded.
class ScriptedScanUi : public imaging::ScanUi {
public:
    QStringList messages;
    int setupShown = 0;
    bool setupAnswer = true;
    void showMessage(const QString& text) override { messages << text; }
    bool runSetup(imaging::ScannerDevice&) override {
        ++setupShown;
        return setupAnswer;
    }
    bool runPreferences(imaging::ScannerDevice&, imaging::ScanPreferences&) override { return false; }
    bool runSelectScanner(const std::vector<imaging::ScanDeviceInfo>&, QString&) override {
        return false;
    }
    std::unique_ptr<imaging::ScanProgressView> createProgress() override { return nullptr; }
};

class CaptureFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // SANE's test backend (the repository's configuration), its feeder chosen in the scanner
    // preferences: 10 pages a run.
    void useSaneScanner();
    // Loads the main window and chooses `department` ("MEDICAL RECORDS", "HUMAN RESOURCES").
    viewer::MainWindow& load(const QString& department = QStringLiteral("MEDICAL RECORDS"));
    // Waits until the window's jobs have finished (their continuations have run).
    void waitJobs(int timeoutMs = 60000);
    // "&New Record", a search for `id` and its first row chosen: the Records dialog.
    capture::RecordDialog& chooseAdmission(const QString& id);
    // Chooses the record type called `name` in a dialog's combo.
    static void selectType(QComboBox* combo, const QString& name);
    // The dialog of record capture with this object name that is open, or null.
    template <class T> T* dialog(const QString& name) const {
        return w ? w->findChild<T*>(name) : nullptr;
    }
    // One value of the records table (or another database).
    QString scalar(const QString& statement);
    // Runs a statement on a database file directly (SQLite), e.g. to make a table refuse rows.
    void sqlite(const QString& database, const QString& statement);
    QStringList messages() const;
    // Native path of a logical path below the share.
    QString native(const QString& logical) const;
    // A TIFF of `pages` 1-bit pages of 200 x 100 below the share (native relative path).
    QString writeShareFile(const QString& relative, int pages = 1);

    doubles::TestSession t;
    QString share;
    const QString root = QStringLiteral("\\\\records-fs\\recfiles");
    std::shared_ptr<doubles::FakeScanner> fake = std::make_shared<doubles::FakeScanner>();
    std::shared_ptr<ScriptedScanUi> scanUi = std::make_shared<ScriptedScanUi>();
    // The print dialog answered from a script; pages printed go into the PDF file `printed`.
    std::shared_ptr<doubles::ScriptedPrintDialogRunner> printDialogs =
        std::make_shared<doubles::ScriptedPrintDialogRunner>();
    QString printed;
    bool sane = false;
    std::unique_ptr<viewer::MainWindow> w;
};

} // namespace capturetest
