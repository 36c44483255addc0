#pragma once
// The two "Scan New Record" dialogs of patient records: the Records dialog (`frmRecords`,
// reached by choosing an admission; description, skip-scan, "Open Folder", "Reset/Delete
// File") and the manual dialog (`frmManual`, "New Record - Manual", the admission number typed
// by hand; modal). Both pick a record type, run the already-scanned check and ScanStart.
#include <QDialog>
#include <QStringList>
#include <vector>

#include "capture/Filing.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace viewer {
class MainWindow;
}

namespace capture {

class RecordDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Records, Manual };
    RecordDialog(viewer::MainWindow& window, Kind kind);

    Kind kind() const { return kind_; }
    // The chosen admission's seven values: ID, hospital number, last, first and middle name,
    // admission and discharge date.
    void fill(const QStringList& admission);
    // Fills the record type combo for the current department and pre-selects as the dialog
    // does (the Records dialog the last default or none, the manual dialog the last default
    // or the first).
    void loadRecordTypes();

    QLineEdit* txtAdmID = nullptr;
    QLineEdit* txtHospNum = nullptr;
    QLineEdit* txtLastname = nullptr;
    QLineEdit* txtFirstname = nullptr;
    QLineEdit* txtMiddlename = nullptr;
    QLineEdit* txtAdmDate = nullptr;
    QLineEdit* txtDisDate = nullptr;
    QLineEdit* txtDesc = nullptr; // Records dialog only
    QComboBox* cboScanType = nullptr;
    QCheckBox* chkSkipScan = nullptr;
    QPushButton* btnScan = nullptr;
    QPushButton* btnNewSearch = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* btnPrintCoverSheet = nullptr;
    QPushButton* cmdOpenFolder = nullptr; // Records dialog only
    QPushButton* cmdResetFile = nullptr;  // Records dialog only

    void btnScan_Click();
    void btnNewSearch_Click();
    void cmdOpenFolder_Click();
    void cmdResetFile_Click();

private:
    viewer::MainWindow& w_;
    Kind kind_;
};

// A new-record dialog follows its filing: it steps aside while the scan runs, closes when the
// record is filed and shows itself again, as it was, when nothing was filed.
void followFiling(QDialog* dialog, FilingOptions& options);
// Enables the dialog's filing controls as the main window's command state says, now and
// whenever a document job starts or ends.
void followDocumentJobs(viewer::MainWindow& window, QDialog* dialog, std::vector<QWidget*> controls);

// The record types of the department into `combo` (text rectype_name, data rectype_id);
// returns the index of the last default row, or -1.
int fillRecordTypes(viewer::MainWindow& window, QComboBox& combo);

} // namespace capture
