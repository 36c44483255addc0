#include "capture/ImportImagesDialog.h"

#include "app/Failure.h"
#include "app/FolderDialog.h"
#include "app/General.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "capture/CaptureState.h"
#include "capture/PageCommands.h"
#include "capture/PageImport.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageEdit.h"
#include "jobs/Job.h"
#include "viewer/BlankPages.h"
#include "viewer/MainWindow.h"
#include "viewer/History.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <memory>

namespace capture {

namespace {

const QString kSection = QStringLiteral("AddImages");
const QString kKey = QStringLiteral("Path");
const QString kDefaultPath = QStringLiteral("C:\\import");

QString counted(int n, const QString& one, const QString& many) {
    return QString::number(n) + " " + (n == 1 ? one : many);
}

// The logical root of a path: "\\server\share" or "X:\"; empty for other paths.
QString logicalRoot(const QString& path) {
    if (path.startsWith("\\\\")) {
        const QStringList parts = path.mid(2).split('\\', Qt::SkipEmptyParts);
        if (parts.size() >= 2) return "\\\\" + parts[0] + "\\" + parts[1];
    }
    if (path.size() >= 2 && path[1] == ':' && path[0].isLetter()) return path.left(2) + "\\";
    return {};
}

} // namespace

ImportImagesDialog::ImportImagesDialog(viewer::MainWindow& w, CaptureState& state)
    : QDialog(&w), w_(w), state_(state) {
    setObjectName("frmAddImages");
    setWindowTitle("Import Images");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    txtPath = new QLineEdit(this);
    txtPath->setObjectName("txtPath");
    txtPath->setMinimumWidth(320);
    auto* lblPath = new QLabel("&Path", this);
    lblPath->setBuddy(txtPath);
    Command1 = new QPushButton("...", this);
    Command1->setObjectName("Command1");
    Command1->setMaximumWidth(32);
    Option1 = new QRadioButton("Insert", this);
    Option1->setObjectName("Option1");
    Option1->setChecked(true);
    optAppend = new QRadioButton("Append", this);
    optAppend->setObjectName("optAppend");
    cmdAdd = new QPushButton("&Import", this);
    cmdAdd->setObjectName("cmdAdd");
    cmdCancel = new QPushButton("&Close", this);
    cmdCancel->setObjectName("cmdCancel");
    for (QPushButton* b : {Command1, cmdAdd, cmdCancel}) b->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(lblPath, 0, 0);
    grid->addWidget(txtPath, 0, 1);
    grid->addWidget(Command1, 0, 2);
    auto* modes = new QHBoxLayout;
    modes->addWidget(Option1);
    modes->addWidget(optAppend);
    modes->addStretch(1);
    grid->addLayout(modes, 1, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdCancel);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, [this] { w_.runCommand([this] { Command1_Click(); }); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { w_.runCommand([this] { cmdAdd_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void ImportImagesDialog::log(const QString& line) {
    if (app::LogSink* sink = w_.session().svc.log) sink->writeLog(line);
}

void ImportImagesDialog::Form_Load() {
    app::SettingsStore* store = w_.session().svc.settings;
    txtPath->setText(store ? store->read(app::kAppPrefs, kSection, kKey, kDefaultPath) : kDefaultPath);
}

void ImportImagesDialog::Command1_Click() {
    app::Session& s = w_.session();
    app::Steps steps(app::FailureStyle::Skip);
    steps([&] {
        static app::QtFolderDialog qtDialog;
        app::FolderDialog& dialog = s.svc.folders ? *s.svc.folders : qtDialog;
        const QString start = txtPath->text().trimmed();
        app::FolderRequest request;
        request.title = "Select a directory";
        request.initialFolder = s.svc.paths ? s.svc.paths->toNative(start) : start;
        request.owner = this;
        const std::optional<QString> chosen = dialog.chooseFolder(request);
        if (!chosen) return;
        // Kept in its logical form: under the share or drive it was started in, the storage
        // root's share, or drive C:.
        QString logical = *chosen;
        if (s.svc.paths)
            logical = s.svc.paths->toLogical(
                *chosen, {start, logicalRoot(start), logicalRoot(s.gstrDefaultDirectoryD),
                          logicalRoot(s.gstrDefaultDirectory), QStringLiteral("C:\\")});
        txtPath->setText(logical);
        if (s.svc.settings) s.svc.settings->write(app::kAppPrefs, kSection, kKey, logical);
    });
}

void ImportImagesDialog::cmdAdd_Click() {
    app::Session& s = w_.session();
    QString folder = txtPath->text();
    if (!folder.endsWith('\\')) folder += '\\';
    const QString nativeFolder = s.svc.paths ? s.svc.paths->toNative(folder) : folder;
    const bool append = optAppend->isChecked();
    const bool exists = QDir(nativeFolder).exists();
    const QStringList names = exists ? importableFiles(nativeFolder) : QStringList();
    const int destPage = append ? 0 : w_.docImgEdit1->page();

    auto outcome = std::make_shared<ImportOutcome>();
    QPointer<ImportImagesDialog> self(this);
    auto finish = [self, folder, outcome, exists, names, destPage](const jobs::Result& r) {
        if (!self) return;
        ImportImagesDialog& d = *self;
        d.cmdAdd->setEnabled(true);
        viewer::MainWindow& w = d.w_;
        if (!exists) d.log("The folder " + folder + " cannot be found.");
        if (r.ok()) {
            for (const ImportedFile& f : outcome->files) {
                d.log(f.name);
                if (!f.failure.isEmpty()) d.log(f.failure + " " + folder + f.name);
            }
        } else if (r.cancelled()) {
            d.log("Import cancelled: nothing was imported.");
        } else {
            for (const QString& name : names) d.log(name);
            d.log(r.errorText + " " + w.docImgEdit1->image());
            d.log("Nothing was imported: the document is as it was.");
        }
        if (const int n = outcome->pagesAdded; r.ok() && n > 0) {
            const int first = destPage > 0 ? destPage : w.docImgEdit1->pageCount() - n + 1;
            viewer::recordDocumentHistory(w, history::Action::ImportPages,
                                          viewer::pageRange(first, first + n - 1), "from " + folder);
            viewer::checkBlankPages(w, first, n);
        }
        if (r.ok() && !outcome->files.empty())
            d.log(counted(outcome->filesAdded, "file", "files") + " with " +
                  counted(outcome->pagesAdded, "page", "pages") + " imported, " +
                  counted(outcome->filesSkipped, "file", "files") + " skipped.");
        app::Steps(app::FailureStyle::Skip)([&] {
            w.doc().gblnJustOpened = false;
            w.EnablePageMenusAndDisplay(w.docImgEdit1->page(), true);
        });
        d.log("done.");
    };

    log("checking files...");
    if (names.isEmpty()) {
        finish(jobs::Result{});
        return;
    }
    cmdAdd->setEnabled(false);
    const bool started = startPageJob(
        w_, "Importing images",
        [outcome, nativeFolder, names, destPage](imaging::DocumentModel& model, jobs::Progress& p) {
            *outcome = importFiles(model, nativeFolder, names, destPage, &p);
        },
        finish, true);
    if (!started) {
        cmdAdd->setEnabled(true);
        log("done.");
    }
}

void ImportImagesDialog::cmdCancel_Click() {
    close();
}

} // namespace capture
