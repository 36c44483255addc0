#pragma once
// The classes component's lookup browse: a window that lists the rows of one table of one
// database, finds rows by either of two fields, and on a choice writes the chosen row's ID
// and description fields into two named text boxes of its parent window (the parent's
// RefreshControl(controlName, row) is then called when it has one). The caller fills the
// properties (after Init) and calls newbrowse on the component's Program object.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace app {

class ClassesComponent;

// The property protocol of the browse.
struct BrowseComponent {
    // Clears every property.
    void Init() { *this = BrowseComponent{}; }

    QWidget* PropParentWindow = nullptr;
    QString PropTable;
    QString PropDatabaseName;
    QString PropWindowTitle;
    QString PropFieldList;  // the columns listed, comma-separated
    QString PropOperation;  // "FS": find and select
    QString PropFindLabel1; // captions of the two find boxes
    QString PropFindLabel2;
    QString PropFindField1; // the fields they search
    QString PropFindField2;
    QString PropFieldNameID;   // the field written into PropControlNameToUpdate
    QString PropFieldNameDesc; // the field written into PropControlNameToUpdateDesc
    QString PropFieldSizes;    // column widths in twips, comma-separated
    bool PropFindBeforeListing = false; // list nothing until the user searches
    QString PropControlNameToUpdate;
    QString PropControlNameToUpdateDesc;
};

class BrowseWindow;

// The classes component's Program object.
class ClassesProgram {
public:
    explicit ClassesProgram(ClassesComponent& owner) : owner_(owner) {}
    BrowseComponent& Browse() { return browse_; }
    // Shows the lookup window for the Browse properties over the parent window (which it
    // blocks while open) and returns at once. Raises std::runtime_error when the browse
    // cannot start: no parent, table or fields, no connection, or a failing first listing.
    BrowseWindow* newbrowse();

private:
    ClassesComponent& owner_;
    BrowseComponent browse_;
};

// The lookup window (object name "frmBrowse"): find boxes "txtFind1"/"txtFind2" with their
// labels "lblFind1"/"lblFind2", "cmdFind", the grid "fgridBrowse", "lblCount", "cmdSelect"
// and "cmdCancel". Enter in a find box searches by its field; Enter or a double click in the
// grid chooses the row.
class BrowseWindow : public QDialog {
    Q_OBJECT
public:
    BrowseWindow(const BrowseComponent& props, ClassesComponent& owner);

    // Lists the rows whose `field` contains `value` (all rows for an empty value). A failure
    // is shown in the window. Returns the number of rows, or -1 on failure.
    int find(const QString& field, const QString& value);
    // Writes the current row into the parent's controls and closes; false without a row.
    bool choose();

    QLineEdit* txtFind1 = nullptr;
    QLineEdit* txtFind2 = nullptr;
    QTableWidget* fgridBrowse = nullptr;
    QLabel* lblCount = nullptr;
    QPushButton* cmdFind = nullptr;
    QPushButton* cmdSelect = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void cmdFind_Click();
    int columnOf(const QString& field) const;

    BrowseComponent props_;
    ClassesComponent& owner_;
    QStringList fields_;
    QPointer<QWidget> parent_;
};

// The description the browse's failures are reported with (the employee lookup adds the
// components to update).
inline const QString kBrowseFailureSuffix =
    QStringLiteral(" update CurrentUser,TALVORClasses,TlvrMain");

} // namespace app
