#include "viewer/FileCommands.h"

#include "app/Failure.h"
#include "app/Session.h"
#include "imaging/ImageAdmin.h"
#include "imaging/ImageEdit.h"
#include "imaging/ImageScan.h"
#include "imaging/ImageThumbnail.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QLabel>

namespace viewer {

FileCommands::FileCommands(MainWindow& w) : QObject(&w), w_(w) {
    MainWindowUi& ui = w.ui();
    connect(ui.mnuFileClose, &QAction::triggered, this,
            [this] { w_.runCommand([this] { mnuFileClose_Click(); }); });
    connect(ui.mnuFileExit, &QAction::triggered, this,
            [this] { w_.runCommand([this] { mnuFileExit_Click(); }); });
}

void FileCommands::mnuFileOpen_Click() {}
void FileCommands::mnuFileSave_Click() {}
bool FileCommands::mnuFileSaveAs_Click() { return false; }

void FileCommands::mnuFileClose_Click() {
    app::Session& s = w_.session();
    app::Steps steps(app::FailureStyle::Log, s.svc.log, s.svc.prompter);
    bool go = true;
    steps([&] { go = w_.PerformFileClose(); });
    if (!go) return;
    MainWindowUi& ui = w_.ui();
    steps([&] {
        w_.docImgThumbnail1->hide();
        ui.imgDivider->hide();
        w_.docImgEdit1->hide();
    });
    w_.doc().NoDocument = true;
    steps([&] {
        w_.docImgThumbnail1->clearThumbs();
        w_.docImgThumbnail1->refresh();
    });
    steps([&] { w_.docImgEdit1->clearDisplay(); });
    steps([&] { w_.docImgAdmin1->setImage(QString()); });
    steps([&] { w_.docImgEdit1->setImage(QString()); });
    steps([&] { w_.docImgThumbnail1->setImage(QString()); });
    steps([&] { w_.docImgScan1->setImage(QString()); });
    steps([&] { w_.SetWindowTitle(); });
    steps([&] { w_.SetDocumentMode("NoFile"); });
    steps([&] { w_.SetViewMode(0); });
}

void FileCommands::mnuFileExit_Click() { w_.close(); }
void FileCommands::mnuFilePrint_Click() {}
void FileCommands::mnuPagePrintPage_Click() {}

} // namespace viewer
