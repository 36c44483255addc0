#pragma once
// "Check Storage..." (Maintenance menu, settings rights): the storage check of the current
// department run as a background job, with its progress in the status bar, and its findings
// in a list. A double-click opens the finding's file in the main window when there is one,
// otherwise the row in the maintenance dialog.
#include "storage/StorageCheck.h"

#include <QWidget>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace viewer {
class MainWindow;
}

namespace maintenance {

class CheckStorageWindow : public QWidget {
    Q_OBJECT
public:
    explicit CheckStorageWindow(viewer::MainWindow& window);

    QLabel* lblDepartment = nullptr;
    QLabel* lblSummary = nullptr;
    QTableWidget* fgridFindings = nullptr;
    QPushButton* cmdCheck = nullptr;
    QPushButton* cmdClose = nullptr;

    void cmdCheck_Click();
    void fgridFindings_DblClick(int row);
    const std::vector<storage::Finding>& findings() const { return findings_; }

private:
    void showFindings(const std::vector<storage::Finding>& findings, const QString& summary);
    viewer::MainWindow& w_;
    std::vector<storage::Finding> findings_;
};

// Opens the window for users with settings rights (one window at a time).
void mnuCheckStorage_Click(viewer::MainWindow& window);

} // namespace maintenance
