#pragma once
// Opening an image, saving, Save As, closing the record, exit and printing.
#include <QObject>

namespace viewer {

class MainWindow;

class FileCommands : public QObject {
    Q_OBJECT
public:
    explicit FileCommands(MainWindow& w);

    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    // Returns false when the user cancelled the dialog (nothing was saved).
    bool mnuFileSaveAs_Click();
    void mnuFileClose_Click();
    void mnuFileExit_Click();
    void mnuFilePrint_Click();
    void mnuPagePrintPage_Click();

private:
    MainWindow& w_;
};

} // namespace viewer
