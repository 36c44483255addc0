#pragma once
// The admission search (`frmNewRec`, "Scan New Patient Record"): finds in-patient admissions
// and out-patient visits by number or name, optionally by admission date; choosing one fills
// the record context and opens the Records dialog. The dialog is hidden, not destroyed, after
// a choice, so "&New Search" shows the earlier search again. The search runs as a background
// job; the grid shows the rows found and how many.
#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace viewer {
class MainWindow;
}

namespace capture {

class NewRecordDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewRecordDialog(viewer::MainWindow& window);

    QLineEdit* txtAdmNo = nullptr;
    QLineEdit* txtAdmDate = nullptr;
    QPushButton* cmdToday = nullptr;
    QCheckBox* chkIncludeOutPatient = nullptr;
    QCheckBox* chkBydate = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnCancel = nullptr;
    QTableWidget* fgridOpenRec = nullptr;
    QLabel* lblFound = nullptr;

    void btnSearch_Click();
    // Chooses the grid's current row (a double click or Enter in the grid).
    void fgridOpenRec_DblClick();
    void cmdToday_Click();
    void txtAdmDate_LostFocus();
    // A search is running (its rows are not in the grid yet).
    bool searching() const { return searching_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyGridLayout();
    void recordSearchHistory(const std::vector<QStringList>& rows);
    void showRows(const std::vector<QStringList>& rows);

    viewer::MainWindow& w_;
    bool searching_ = false;
};

} // namespace capture
