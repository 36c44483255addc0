#include "storage/LocationTools.h"
#include "storage/RecordPaths.h"

#include "app/Failure.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/Shell.h"
#include "app/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

namespace storage {

void deriveStorageRoot(app::Session& s) {
    s.gstrDefaultDirectory = s.gstrDeptFolder.isEmpty()
                                 ? s.gstrDefaultDirectoryD
                                 : s.gstrDefaultDirectoryD + "\\" + s.gstrDeptFolder;
}

QString netUseCommand(const QString& location, const QString& user, const QString& password) {
    return "net use  " + location + " /user:" + user + " " + password;
}

void CreateStorageFolder(app::Session& s) {
    QDir().mkdir(s.svc.paths->toNative(s.gstrDefaultDirectory));
}

void TestWrite(app::Session& s) {
    app::Steps steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter);
    const QDateTime now = s.svc.clock->now();
    const QString path = s.gstrDefaultDirectory + "\\test write" + now.toString("yyyyMMdd") + ".txt";
    steps([&] {
        // A link planted where the test file goes is never written through.
        if (QFileInfo(s.svc.paths->toNative(path)).isSymLink() ||
            !staysInsideRoot(*s.svc.paths, s.gstrDefaultDirectory, path))
            throw std::runtime_error("The test file is a link; nothing is written through it: " +
                                     path.toStdString());
        QFile f(s.svc.paths->toNative(path));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            throw std::runtime_error(f.errorString().toStdString() + ": " + path.toStdString());
        const QString line = QLocale().toString(now, QLocale::ShortFormat) + " OK.\n";
        if (f.write(line.toUtf8()) < 0 || !f.flush())
            throw std::runtime_error(f.errorString().toStdString());
    });
    steps([&] { s.svc.shell->run("explorer.exe " + path, app::kMinimizedFocus); });
    if (steps.stopped()) {
        CreateStorageFolder(s);
        return;
    }
    s.svc.prompter->msgBox("Done.");
}

void OpenLocation(app::Session& s, const QString& currentFolder) {
    s.WriteLog(currentFolder);
    s.svc.shell->run("explorer " + currentFolder, app::kMinimizedFocus);
}

FileLocationDialog::FileLocationDialog(app::Session& s, QWidget* parent) : QDialog(parent), s_(s) {
    setObjectName("frmFileLocation");
    setWindowTitle("File Location");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    txtFileLocation_ = new QLineEdit(s.gstrDefaultDirectoryD, this);
    txtFileLocation_->setObjectName("txtFileLocation");
    txtUSERID_ = new QLineEdit(s.svc.settings->read(app::kAppPrefs, "Server", "txtUSERID", kShareAccount), this);
    txtUSERID_->setObjectName("txtUSERID");
    txtPW_ = new QLineEdit(s.svc.settings->read(app::kAppPrefs, "Server", "txtPW", kShareAccount), this);
    txtPW_->setObjectName("txtPW");
    txtPW_->setEchoMode(QLineEdit::PasswordEchoOnEdit);

    auto* lblLocation = new QLabel("&Default File Location:", this);
    lblLocation->setBuddy(txtFileLocation_);
    auto* lblExample = new QLabel("ex: \\\\records-fs\\recfiles", this);
    lblExample->setObjectName("lblExample");
    auto* lblHint = new QLabel("Net Use user: mrdshare        pw:mrdshare", this);
    lblHint->setObjectName("lblHint");
    auto* netUse = new QPushButton("Net Use", this);
    netUse->setObjectName("cmdNetUse");
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("cmdCancel");

    auto* g = new QGridLayout(this);
    g->addWidget(lblLocation, 0, 0, 1, 3);
    g->addWidget(txtFileLocation_, 1, 0, 1, 3);
    g->addWidget(lblExample, 2, 0, 1, 3);
    g->addWidget(new QLabel("User:", this), 3, 0);
    g->addWidget(txtUSERID_, 3, 1);
    g->addWidget(new QLabel("Password:", this), 4, 0);
    g->addWidget(txtPW_, 4, 1);
    g->addWidget(netUse, 3, 2, 2, 1);
    g->addWidget(lblHint, 5, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    g->addLayout(buttons, 6, 0, 1, 3);
    setMinimumWidth(440);

    connect(netUse, &QPushButton::clicked, this, &FileLocationDialog::cmdNetUse_Click);
    connect(ok, &QPushButton::clicked, this, &FileLocationDialog::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &FileLocationDialog::cmdCancel_Click);
}

FileLocationDialog::~FileLocationDialog() { Form_Unload(); }

void FileLocationDialog::cmdNetUse_Click() {
    // The outcome is seen only through later file access.
    app::Steps(app::FailureStyle::Skip)([&] {
        s_.svc.shell->run(netUseCommand(txtFileLocation_->text(), txtUSERID_->text(), txtPW_->text()),
                          app::kNormalFocus);
    });
}

void FileLocationDialog::cmdOK_Click() {
    if (txtFileLocation_->text().isEmpty()) {
        s_.svc.prompter->msgBox("Please enter the Location where the Files will be stored!",
                                app::mb::OKOnly, app::mb::Critical);
        return;
    }
    // Stored first: a location that could not be stored is not confirmed, and the session
    // keeps the one it had; the dialog stays open for another try or Cancel.
    if (!s_.svc.settings->write(app::kAppPrefs, "General Preferences", "Default Directory",
                                txtFileLocation_->text())) {
        s_.svc.prompter->msgBox(s_.svc.settings->lastWriteError(), app::mb::OKOnly,
                                app::mb::Critical);
        return;
    }
    s_.gstrDefaultDirectoryD = txtFileLocation_->text();
    deriveStorageRoot(s_);
    s_.svc.prompter->msgBox("File Location updated successfully!", app::mb::OKOnly,
                            app::mb::Information);
    accept();
}

void FileLocationDialog::cmdCancel_Click() { reject(); }

void FileLocationDialog::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

void FileLocationDialog::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    s_.svc.settings->write(app::kAppPrefs, "Server", "txtUSERID", txtUSERID_->text());
    s_.svc.settings->write(app::kAppPrefs, "Server", "txtPW", txtPW_->text());
}

} // namespace storage
