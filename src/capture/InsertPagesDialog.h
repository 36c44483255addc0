#pragma once
// "Insert Pages" / "Append Pages" (`frmInsPage`): which pages of the chosen source file go
// into the open document, all of them or a From-To range. Modal over the main window (shown
// without a loop of its own); it reads and writes the page insertion values of CaptureState.
#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace viewer {
class MainWindow;
}

namespace capture {

class CaptureState;

class InsertPagesDialog : public QDialog {
    Q_OBJECT
public:
    InsertPagesDialog(viewer::MainWindow& window, CaptureState& state);

    // Caption and source label by the insertion mode, the range 1 to the source's page
    // count. Raises imaging::Error when the source cannot be read.
    void Form_Load();
    void optAll_Click();
    void optPage_Click();
    // The key filter of the range boxes: Backspace and the digits pass; false (with a beep)
    // for any other typed character.
    static bool keyPasses(QChar typed);
    void cmdOK_Click();
    void cmdCancel_Click();

    QGroupBox* fraRange = nullptr;
    QRadioButton* optAll = nullptr;
    QRadioButton* optPage = nullptr;
    QLabel* lblFrom = nullptr;
    QLabel* lblTo = nullptr;
    QLineEdit* txtFrom = nullptr;
    QLineEdit* txtTo = nullptr;
    QLabel* lblFromFile = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The range typed in, checked: false (with its message shown) when it is not valid.
    bool readRange(int sourcePages);
    viewer::MainWindow& w_;
    CaptureState& state_;
};

} // namespace capture
