#pragma once
// The main window's session commands: the department choice, Admin Mode, the access-type
// change, TraceMode, Connect, the storage tools and the update commands.
#include <QObject>
#include <QStringList>

namespace viewer {

class MainWindow;

class SessionCommands : public QObject {
    Q_OBJECT
public:
    explicit SessionCommands(MainWindow& w);

    // Main window load: the user's departments and the current one.
    void loadDepartments();
    void cboDept_Click();

    void mAdmin_Click();
    void txtAdminPW_Change();
    void cmdCancelAdmin_Click();
    void mChangeType_Click();
    void mTraceMode_Click();
    void mConnect_Click();
    void mnuFileLoc_Click();
    void mTestWrite_Click();
    void mnuFileChangePassword_Click();
    void mOpenLocation_Click();
    void mUpdateDatabase_Click();
    void mUpdateModule_Click();

    // Ids parallel to the department combo's items (the medical-records department is "").
    QStringList DepartmentIDs;

private:
    MainWindow& w_;
};

} // namespace viewer
