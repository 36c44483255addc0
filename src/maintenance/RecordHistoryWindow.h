#pragma once
// "Record History..." (Maintenance menu, settings rights): the access history of the open
// record, or of an ID, a hospital number or an employee, over a range of days, newest first.
// The search runs as a background job of the main window; the rows found can be exported as
// CSV and printed through the engine's printing.
#include "records/HistoryStatements.h"

#include <QWidget>
#include <vector>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace viewer {
class MainWindow;
}

namespace maintenance {

class RecordHistoryWindow : public QWidget {
    Q_OBJECT
public:
    explicit RecordHistoryWindow(viewer::MainWindow& window);

    QCheckBox* chkOpenRecord = nullptr; // the open record (its recfile_id)
    QLineEdit* txtID = nullptr;
    QLineEdit* txtHospNum = nullptr;
    QLineEdit* txtEmployee = nullptr;
    QDateEdit* dtFrom = nullptr;
    QDateEdit* dtTo = nullptr;
    QTableWidget* fgridHistory = nullptr;
    QLabel* lblSummary = nullptr;
    QPushButton* cmdSearch = nullptr;
    QPushButton* cmdExport = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdClose = nullptr;

    // The column headings, and the rows shown (texts as in the grid).
    static const QStringList& headings();
    const std::vector<QStringList>& rows() const { return rows_; }

    records::HistoryFilter filter() const;
    void cmdSearch_Click();
    // Writes the rows shown to a CSV file chosen in the file dialog (false: none written).
    bool cmdExport_Click();
    // Prints the rows shown (false: cancelled or nothing to print).
    bool cmdPrint_Click();

    // The rows as CSV text: a heading line, then one line per row (RFC 4180 quoting).
    static QByteArray toCsv(const std::vector<QStringList>& rows);

private:
    void showRows(std::vector<QStringList> rows, const QString& summary);
    viewer::MainWindow& w_;
    std::vector<QStringList> rows_;
};

// Opens the window for users with settings rights (one window at a time).
void mnuRecordHistory_Click(viewer::MainWindow& window);

} // namespace maintenance
