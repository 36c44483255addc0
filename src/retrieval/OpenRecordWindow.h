#pragma once
// The record search window (`frmOpen`, "Open Record"): criteria, the result grid and the
// search. Patient mode (medical records) joins the admissions and the patient master;
// department mode lists the department's own files. The search runs as a background job, so
// the window keeps painting while a slow server answers.
#include "records/RetrievalStatements.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace db {
class Recordset;
}
namespace viewer {
class MainWindow;
}

namespace retrieval {

class SearchResultModel;

class OpenRecordWindow : public QWidget {
    Q_OBJECT
public:
    // Loads the window (record type list, grid layout) owned by `main`.
    explicit OpenRecordWindow(viewer::MainWindow& main);
    ~OpenRecordWindow() override;

    // 1 patient mode, 0 department mode; other values change nothing.
    void setRecMode(int mode);
    int recMode() const { return recMode_; }

    // The search (`btnSearch` Click). Starts the background search and returns; the grid is
    // filled when it ends (searchFinished).
    void btnSearch_Click();
    // Opens the grid's current row (double click, Enter).
    void fgridOpenRec_DblClick();
    void lblMaintenance_Click();
    void cmdScanToday_Click();
    // The statement the criteria give now (the date boxes are rewritten as the search does).
    records::RecordSearchCriteria readCriteria();
    bool searchRunning() const { return running_; }
    // The texts of the grid's current row (empty when there is none).
    QStringList currentRow() const;

    QLineEdit* txtAdmNo = nullptr;
    QLabel* lblAdmNo = nullptr;
    QComboBox* cboScanType = nullptr;
    QLineEdit* txtDesc = nullptr;
    QLineEdit* txtScandate = nullptr;
    QLineEdit* txtDateUpdated = nullptr;
    QPushButton* cmdScanToday = nullptr;
    QCheckBox* chkBydate = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnCancel = nullptr;
    QLabel* lblMaintenance = nullptr;
    QGroupBox* fraPat = nullptr;
    QLineEdit* txtPatName = nullptr;
    QLineEdit* txtHospNum = nullptr;
    QLineEdit* txtAdmDate = nullptr;
    QCheckBox* chkIncludeOutPatient = nullptr;
    QTableView* fgridOpenRec = nullptr;
    QLabel* lblFound = nullptr;

    SearchResultModel& results() const { return *model_; }

signals:
    // A search ended (with rows, without, failed or cancelled).
    void searchFinished();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void buildControls();
    void layoutGrid();
    void placeGrid();
    void txtAdmDate_LostFocus();
    void showResult(const db::Recordset* rs, const QString& statement, const QString& error,
                    bool cancelled);
    int twipsX(int twips) const;
    int twipsY(int twips) const;

    viewer::MainWindow& main_;
    SearchResultModel* model_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    int recMode_ = 1;
    int gridTop_ = 2400; // twips
    bool running_ = false;
    records::RecordSearchCriteria searched_; // of the search running, for the access history
};

} // namespace retrieval
