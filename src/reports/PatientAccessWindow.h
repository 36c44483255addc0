#pragma once
// "Patient Access..." (Reports menu, settings rights): for a hospital number and a range of
// days, the report of every employee who searched for or opened that patient's records, from
// the access history, through the classes component's report facility (PatientAccess.rpt).
#include "reports/ReportPreviewWindow.h"

#include <QWidget>

class QDateEdit;
class QLineEdit;
class QPushButton;

namespace viewer {
class MainWindow;
}

namespace reports {

class PatientAccessWindow : public QWidget {
    Q_OBJECT
public:
    explicit PatientAccessWindow(viewer::MainWindow& main);

    QLineEdit* txtHospNum = nullptr;
    QDateEdit* dtFrom = nullptr;
    QDateEdit* dtTo = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdClose = nullptr;

    // Opens the report's preview (once the history has answered).
    void cmdPrint_Click();

signals:
    void previewOpened(reports::ReportPreviewWindow* preview);

private:
    viewer::MainWindow& main_;
};

// Opens the window for users with settings rights (one at a time).
void mnuPatientAccess_Click(viewer::MainWindow& main);

} // namespace reports
