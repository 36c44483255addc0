#pragma once
// The record type administration of the session's department: the list `frmRectype` with
// its commands, and the add and edit dialogs over it. Type names are typed in upper case.
//
// Each window sends its statements (from records/RecTypeStatements.h) on the signed-in
// user's connection. A statement that fails ends the command with its description (the
// main window's command runner); an add, update or delete that changes no row says so
// instead of reporting success.
#include <QDialog>
#include <QValidator>
#include <functional>

class QGroupBox;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace app {
struct Session;
}
namespace viewer {
class MainWindow;
}

namespace rectypes {

// Runs a modal dialog (exec() unless a test scripts it).
using DialogRunner = std::function<void(QDialog&)>;

// Replaces every character put into a box by its upper-case form.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};

class RecTypeListWindow : public QDialog {
    Q_OBJECT
public:
    // `runDialog` runs the add and edit dialogs.
    RecTypeListWindow(viewer::MainWindow& main, DialogRunner runDialog, QWidget* parent);
    ~RecTypeListWindow() override;

    // Reloads the grid from the database.
    void RecType_refresh();

    // The type id of the grid's current row (0 for the empty row of an empty list).
    int currentTypeId() const;

    void btnAdd_Click();
    void btnEdit_Click();
    void btnDelete_Click();
    void btnDefault_Click();
    void btnClose_Click();

    app::Session& session() const;
    viewer::MainWindow& main() const { return main_; }

    QGroupBox* Frame1 = nullptr;
    QTableWidget* fgridRectype = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnDefault = nullptr;
    QPushButton* btnClose = nullptr;

private:
    void layoutGrid();
    // Runs a command through the main window's runner (a failure shows its description).
    void command(void (RecTypeListWindow::*handler)());

    viewer::MainWindow& main_;
    DialogRunner runDialog_;
};

// What the add and edit dialogs share: the two boxes and their labels.
class RecTypeDialog : public QDialog {
    Q_OBJECT
public:
    QLineEdit* txtName = nullptr;
    QLineEdit* txtDesc = nullptr;

protected:
    RecTypeDialog(RecTypeListWindow& list, const QString& name, const QString& caption);
    // A button of the dialog's button row.
    QPushButton* addButton(const QString& name, const QString& text);
    void runCommand(const std::function<void()>& command);
    // The name typed, trimmed; empty, after saying why, when it is empty or another type of
    // the department has it (`editedId`: the type being renamed, 0 when adding).
    QString acceptableName(int editedId);

    RecTypeListWindow& list_;

private:
    QHBoxLayout* buttons_ = nullptr;
};

class RecTypeAddDialog : public RecTypeDialog {
    Q_OBJECT
public:
    explicit RecTypeAddDialog(RecTypeListWindow& list);
    void btnOk_Click();
    void btnCancel_Click();

    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
};

class RecTypeEditDialog : public RecTypeDialog {
    Q_OBJECT
public:
    // Loads the type of the list's current row.
    explicit RecTypeEditDialog(RecTypeListWindow& list);
    void btnUpdate_Click();
    void btnCancel_Click();

    QPushButton* btnUpdate = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void Form_Load();
    int id_ = 0;
};

} // namespace rectypes
