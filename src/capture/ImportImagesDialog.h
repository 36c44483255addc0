#pragma once
// "Import Images" (`frmAddImages`): every image file of a folder inserted at the current page
// or appended to the open document, in one go. Modeless, owned by the main window; the
// folder is remembered as "AddImages"/"Path". The import runs as the window's document job
// (progress "File n of m", Cancel between files) and writes the document once.
#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace viewer {
class MainWindow;
}

namespace capture {

class CaptureState;

class ImportImagesDialog : public QDialog {
    Q_OBJECT
public:
    ImportImagesDialog(viewer::MainWindow& window, CaptureState& state);

    void Form_Load();
    void Command1_Click();
    void cmdAdd_Click();
    void cmdCancel_Click();

    QLineEdit* txtPath = nullptr;
    QPushButton* Command1 = nullptr;
    QRadioButton* Option1 = nullptr;   // Insert
    QRadioButton* optAppend = nullptr; // Append
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void log(const QString& line);
    viewer::MainWindow& w_;
    CaptureState& state_;
};

} // namespace capture
