#pragma once
// The other departments' new-record dialog (`frmNewRecOther`, "Scan New Record"): an ID typed
// or, for HR ("HRD", "HR"), picked in the employee lookup of the classes component, a
// description, a record date and a record type; then the already-scanned check and
// ScanStart. Records land in the department's folder of the storage root.
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace viewer {
class MainWindow;
}

namespace capture {

class NewRecordOtherDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewRecordOtherDialog(viewer::MainWindow& window);

    QLabel* lblDepartment = nullptr;
    QLineEdit* txtAdmID = nullptr;
    QPushButton* cmdSelectID = nullptr;
    QLineEdit* txtDescription = nullptr;
    QLineEdit* txtAdmDate = nullptr;
    QComboBox* cboScanType = nullptr;
    QPushButton* btnScan = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* btnPrintCoverSheet = nullptr;

    // Runs the load (record types; with none, the two messages and the record type
    // administration). Called once the dialog is shown.
    void Form_Load();
    void cmdSelectID_Click();
    void btnScan_Click();

    // Offered to the lookup component, which calls it after writing into a control.
    Q_INVOKABLE void RefreshControl(const QString& PropControlNameToUpdate, int PropFormRow);

private:
    viewer::MainWindow& w_;
};

} // namespace capture
