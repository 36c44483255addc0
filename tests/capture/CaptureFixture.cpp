#include "CaptureFixture.h"

#include "app/Paths.h"
#include "capture/NewRecordDialog.h"
#include "capture/RecordDialog.h"
#include "capture/Workflow.h"
#include "db/SqliteConnection.h"
#include "imaging/controls/Print.h"
#include "imaging/documents/PageOps.h"
#include "imaging/scanning/SaneScanner.h"
#include "support/TempDir.h"
#include "viewer/JobHost.h"
#include "viewer/SessionCommands.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <sqlite3.h>

namespace capturetest {

void CaptureFixture::SetUp() {
    t.useDemoDatabase(false);
    t.signIn();
    share = t.dir.file("share");
    QDir().mkpath(share);
    t.settings.write(app::kAppPrefs, "Shares", root, share);
    t.settings.write(app::kAppPrefs, "General Preferences", "Default Directory", root);
    // The fake feeder: a few small pages a run.
    fake->script().feederSheets = 3;
    t.settings.write(app::kAppPrefs, "Scanner", "Source", "Automatic Document Feeder");
    t.settings.write(app::kAppPrefs, "Scanner", "Resolution", "100");
}

void CaptureFixture::TearDown() {
    if (w) {
        w->jobs().cancelAllAndWait();
        QApplication::processEvents();
    }
    w.reset();
    QApplication::processEvents();
}

void CaptureFixture::useSaneScanner() {
    const QString dir = testsupport::sourceDir() + "/tests/imaging/sane";
    ASSERT_TRUE(QFileInfo::exists(dir + "/dll.conf")) << "DOCUVANE_SOURCE_DIR is not set";
    qputenv("SANE_CONFIG_DIR", dir.toLocal8Bit());
    sane = true;
    t.settings.write(app::kAppPrefs, "Scanner", "Device", "test:0");
    t.settings.write(app::kAppPrefs, "Scanner", "Mode", "Gray");
    t.settings.write(app::kAppPrefs, "Scanner", "Depth", "1");
    t.settings.write(app::kAppPrefs, "Scanner", "Resolution", "50");
}

viewer::MainWindow& CaptureFixture::load(const QString& department) {
    t.s().gblnAdmin = true;
    viewer::MainWindowOptions options;
    auto backend = sane ? std::shared_ptr<imaging::ScannerBackend>(
                              std::make_shared<imaging::SaneScanner>())
                        : std::shared_ptr<imaging::ScannerBackend>(fake);
    options.imaging.scanner = backend;
    options.imaging.scanUi = scanUi;
    options.imaging.printDialog = printDialogs;
    printed = t.dir.file("printed.pdf");
    options.imaging.printer = std::make_shared<imaging::PdfPrinterProvider>(printed);
    w = std::make_unique<viewer::MainWindow>(t.s(), options);
    capture::install(*w);
    w->resize(1100, 780);
    w->show();
    w->Form_Load();
    // The scanner items follow the background probe of scanners: wait until they have.
    const bool present = w->docImgScan1->scannerAvailable();
    QTest::qWaitFor([&] { return w->ui().mnuFileScanNew->isEnabled() == present; }, 5000);
    QApplication::processEvents();
    auto* cbo = w->ui().cboDept;
    const int i = cbo->findText(department);
    EXPECT_GE(i, 0) << department.toStdString();
    cbo->setCurrentIndex(i);
    w->sessionCommands().cboDept_Click();
    t.prompter.shown.clear();
    return *w;
}

void CaptureFixture::waitJobs(int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QApplication::processEvents();
    while (w->jobs().anyRunning() && clock.elapsed() < timeoutMs) QTest::qWait(5);
    QApplication::processEvents();
    ASSERT_FALSE(w->jobs().anyRunning()) << "jobs still running";
}

capture::RecordDialog& CaptureFixture::chooseAdmission(const QString& id) {
    w->ui().mnuFileNew->trigger();
    auto* f = dialog<capture::NewRecordDialog>("frmNewRec");
    EXPECT_NE(f, nullptr);
    f->txtAdmNo->setText(id);
    QTest::keyClick(f->txtAdmNo, Qt::Key_Return);
    waitJobs();
    f->fgridOpenRec->setCurrentCell(0, 1);
    QTest::keyClick(f->fgridOpenRec, Qt::Key_Return);
    auto* r = dialog<capture::RecordDialog>("frmRecords");
    EXPECT_NE(r, nullptr);
    return *r;
}

void CaptureFixture::selectType(QComboBox* combo, const QString& name) {
    const int i = combo->findText(name);
    ASSERT_GE(i, 0) << name.toStdString();
    combo->setCurrentIndex(i);
}

QString CaptureFixture::scalar(const QString& statement) {
    auto rs = t.demo->execute(statement);
    return rs->eof() ? QString() : rs->value(0).toString();
}

void CaptureFixture::sqlite(const QString& database, const QString& statement) {
    sqlite3* handle = nullptr;
    const QByteArray file = db::SqliteConnection::databaseFile(t.dir.file("db"), database).toUtf8();
    ASSERT_EQ(sqlite3_open(file.constData(), &handle), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(handle, statement.toUtf8().constData(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(handle);
}

QStringList CaptureFixture::messages() const {
    QStringList out;
    for (const auto& m : t.prompter.shown) out << m.text;
    return out;
}

QString CaptureFixture::native(const QString& logical) const { return t.paths->toNative(logical); }

QString CaptureFixture::writeShareFile(const QString& relative, int pages) {
    const QString path = share + "/" + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    std::vector<imaging::PageSource> sources;
    for (int i = 0; i < pages; ++i) {
        QImage page(200, 100, QImage::Format_Mono);
        page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        page.fill(0);
        sources.push_back(imaging::PageSource::pixels(page, 100, 100, {}));
    }
    imaging::writeDocument(path, sources);
    return path;
}

} // namespace capturetest
