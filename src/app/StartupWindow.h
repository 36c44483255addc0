#pragma once
// The start-up window (`frmSplash`): chooses the program access type, signs the user in
// through the current-user component and shows the main window.
#include <QWidget>
#include <memory>

class QRadioButton;
class QLineEdit;
class QPushButton;
class QLabel;
class QPixmap;

namespace app {

struct Session;
class CurrentUser;

// The main window as the start-up window sees it.
class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    // Shows the main window modeless, loading it the first time.
    virtual void showMainWindow() = 0;
    virtual bool mainWindowLoaded() const = 0;
};

class StartupWindow : public QWidget {
    Q_OBJECT
public:
    StartupWindow(Session& session, MainWindowHost& host, QWidget* parent = nullptr);

    // The load sequence: creates the current-user component, reads the stored access type,
    // shows the window and runs Start. Returns false when the component cannot be created
    // (the user has been told; the window closes).
    bool Form_Load();

    // The Start command.
    void cmdStart_Click();
    void cmdClose_Click();
    void optMedRec_Click();
    void optNurse_Click();
    void optHR_Click();
    void txtDepartmentID_LostFocus();

signals:
    // The start-up window was closed while no main window is open: the program ends.
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void selectType(int type);
    Session& s_;
    // The component this window signs in with; it becomes the session's current user only
    // once it is connected.
    std::shared_ptr<CurrentUser> user_;
    MainWindowHost& host_;
    QRadioButton* optMedRec_;
    QRadioButton* optNurse_;
    QRadioButton* optHR_;
    QLineEdit* txtDepartmentID_;
    QPushButton* cmdStart_;
    QPushButton* cmdClose_;
};

// The picture of the start-up window and of the main window's start picture.
QPixmap programPicture(int width, int height);

} // namespace app
