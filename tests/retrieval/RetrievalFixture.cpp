#include "RetrievalFixture.h"

#include "doubles/ScannerFake.h"
#include "imaging/documents/PageOps.h"
#include "maintenance/Workflow.h"
#include "retrieval/SearchResultModel.h"
#include "retrieval/Workflow.h"
#include "viewer/SessionCommands.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTableView>

namespace retrievaltest {

namespace {
class NoScanUi : public imaging::ScanUi {
public:
    void showMessage(const QString&) override {}
    bool runSetup(imaging::ScannerDevice&) override { return false; }
    bool runPreferences(imaging::ScannerDevice&, imaging::ScanPreferences&) override { return false; }
    bool runSelectScanner(const std::vector<imaging::ScanDeviceInfo>&, QString&) override {
        return false;
    }
    std::unique_ptr<imaging::ScanProgressView> createProgress() override { return nullptr; }
};
} // namespace

void RetrievalFixture::SetUp() {
    t.useDemoDatabase(true);
    t.signIn();
    share = t.dir.file("share");
    QDir().mkpath(share);
    t.settings.write(app::kAppPrefs, "Shares", "\\\\records-fs\\recfiles", share);
}

void RetrievalFixture::TearDown() {
    w.reset();
    QApplication::processEvents();
}

viewer::MainWindow& RetrievalFixture::load(bool admin, const QString& department) {
    t.s().gblnAdmin = admin;
    viewer::MainWindowOptions options;
    options.imaging.scanner = std::make_shared<doubles::FakeScanner>();
    options.imaging.scanUi = std::make_shared<NoScanUi>();
    if (adjustOptions) adjustOptions(options);
    w = std::make_unique<viewer::MainWindow>(t.s(), options);
    retrieval::install(*w);
    maintenance::Options m;
    m.runDialog = [this](QDialog& d) {
        dialogsRun.push_back(d.objectName());
        if (whileDialog) whileDialog(d);
    };
    maintenance::install(*w, m);
    w->resize(1100, 780);
    w->show();
    w->Form_Load();
    QApplication::processEvents();
    auto* cbo = w->ui().cboDept;
    const int i = cbo->findText(department);
    EXPECT_GE(i, 0) << department.toStdString();
    cbo->setCurrentIndex(i);
    w->sessionCommands().cboDept_Click();
    t.prompter.shown.clear();
    return *w;
}

retrieval::OpenRecordWindow& RetrievalFixture::openSearch() {
    w->ui().mnuFileOpenRec->trigger();
    auto* f = retrieval::searchWindow(*w);
    EXPECT_NE(f, nullptr);
    return *f;
}

void RetrievalFixture::search(retrieval::OpenRecordWindow& f) {
    QSignalSpy done(&f, &retrieval::OpenRecordWindow::searchFinished);
    f.btnSearch_Click();
    if (f.searchRunning()) ASSERT_TRUE(done.wait(20000));
}

bool RetrievalFixture::selectRow(retrieval::OpenRecordWindow& f, const QString& id,
                                 const QString& fileName) {
    auto* view = f.fgridOpenRec;
    for (int r = 0; r < view->model()->rowCount(); ++r) {
        const QString rowId = view->model()->index(r, 1).data().toString();
        const QString rowFile = view->model()->index(r, 3).data().toString();
        if (rowId == id && (fileName.isEmpty() || rowFile == fileName)) {
            view->setCurrentIndex(view->model()->index(r, 1));
            return true;
        }
    }
    return false;
}

QString RetrievalFixture::writeShareFile(const QString& relative, int pages) {
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

QString RetrievalFixture::scalar(const QString& statement) {
    auto rs = t.demo->execute(statement);
    return rs->eof() ? QString() : rs->value(0).toString();
}

QString RetrievalFixture::addRecord(const QString& id, const QString& fileName, int recType,
                                    const QString& description, const QString& date) {
    t.demo->execute("INSERT INTO dbRecords..tblRecFiles (admission_id, file_name, rectype_id, "
                    "EmployeeID, Description, date_created, date_updated) VALUES ('" +
                    QString(id).replace("'", "''") + "', '" + QString(fileName).replace("'", "''") +
                    "', " + QString::number(recType) + ", '1001', '" +
                    QString(description).replace("'", "''") + "', '" + date + "', '" + date +
                    " 10:00')");
    return scalar("SELECT MAX(recfile_id) FROM dbRecords..tblRecFiles");
}

QStringList RetrievalFixture::messages() const {
    QStringList out;
    for (const auto& m : t.prompter.shown) out << m.text;
    return out;
}

QStringList RetrievalFixture::column(retrieval::OpenRecordWindow& f, int c) const {
    QStringList out;
    const auto& model = f.results();
    for (int r = 0; r < model.recordCount(); ++r) out << model.row(r).value(c);
    return out;
}

} // namespace retrievaltest
