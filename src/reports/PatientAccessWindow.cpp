#include "reports/PatientAccessWindow.h"

#include "app/Access.h"
#include "app/Classes.h"
#include "app/Clock.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "reports/MainReport.h"
#include "viewer/MainWindow.h"
#include "viewer/ToolWindows.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace reports {

PatientAccessWindow::PatientAccessWindow(viewer::MainWindow& main)
    : QWidget(&main, Qt::Window), main_(main) {
    setObjectName("frmPatientAccess");
    setWindowTitle("Patient Access");
    setAttribute(Qt::WA_DeleteOnClose);
    const app::Session& s = main.session();
    txtHospNum = new QLineEdit(s.rec.gstrHospNum, this);
    txtHospNum->setObjectName("txtHospNum");
    const QDate today = s.svc.clock ? s.svc.clock->now().date() : QDate::currentDate();
    dtFrom = viewer::makeDateBox(this, "dtFrom", today.addYears(-1));
    dtTo = viewer::makeDateBox(this, "dtTo", today);
    cmdPrint = new QPushButton("&Print...", this);
    cmdPrint->setObjectName("cmdPrint");
    cmdClose = new QPushButton("&Close", this);
    cmdClose->setObjectName("cmdClose");
    auto* form = new QFormLayout(this);
    form->addRow("Hosp.#:", txtHospNum);
    form->addRow("From:", dtFrom);
    form->addRow("To:", dtTo);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdClose);
    form->addRow(buttons);
    connect(cmdPrint, &QPushButton::clicked, this,
            [this] { main_.runCommand([this] { cmdPrint_Click(); }); });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

void PatientAccessWindow::cmdPrint_Click() {
    app::Session& s = main_.session();
    const QString hospNum = txtHospNum->text().trimmed();
    if (hospNum.isEmpty()) {
        s.svc.prompter->msgBox("Enter the patient's hospital number.");
        txtHospNum->setFocus();
        return;
    }
    app::InitClassesComponent(s);
    if (!s.gblnClassesReady || !s.gobjClasses) return; // it has said why
    QPointer<PatientAccessWindow> self(this);
    OpenMainReport(main_, *s.gobjClasses, reportDefinitionFile(s, "PatientAccess.rpt"), "", "",
                   {hospNum, dtFrom->date(), dtTo->date()}, [self](ReportPreviewWindow* preview) {
                       if (self) emit self->previewOpened(preview);
                   });
}

void mnuPatientAccess_Click(viewer::MainWindow& main) {
    if (!app::CanChangeSettings(main.session())) return;
    viewer::showOneWindow<PatientAccessWindow>(main, "frmPatientAccess",
                                               [&] { return new PatientAccessWindow(main); });
}

} // namespace reports
