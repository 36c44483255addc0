#include "viewer/GeneralOptionsDialog.h"

#include "app/Session.h"
#include "imaging/controls/ImageEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace viewer {

int zoomIndexOfCode(const QString& code) {
    for (int i = 0; i < int(std::size(kZoomChoices)); ++i)
        if (code == QLatin1String(kZoomChoices[i].code)) return i;
    return 1;
}

std::optional<QString> zoomCodeOfItem(const QString& item) {
    for (const ZoomChoice& c : kZoomChoices)
        if (item == QLatin1String(c.item)) return QString::fromLatin1(c.code);
    return std::nullopt;
}

GeneralOptionsDialog::GeneralOptionsDialog(app::Session& session, imaging::ImageEdit& display,
                                           QWidget* parent)
    : QDialog(parent), s_(session), display_(&display) {
    setObjectName("frmGenOpt");
    setWindowTitle("General Options");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* lblZoom = new QLabel("&Open documents zoomed to:", this);
    lblZoom->setObjectName("lblZoom");
    cboZoom = new QComboBox(this);
    cboZoom->setObjectName("cboZoom");
    lblZoom->setBuddy(cboZoom);
    chkShowScrollbars = new QCheckBox("&Show scroll bars", this);
    chkShowScrollbars->setObjectName("chkShowScrollbars");
    auto* lblFileLocation = new QLabel("&Default file location:", this);
    lblFileLocation->setObjectName("lblFileLocation");
    txtFileLocation = new QLineEdit(this);
    txtFileLocation->setObjectName("txtFileLocation");
    // Shown for information: the storage root is changed through File Location only.
    txtFileLocation->setReadOnly(true);
    lblFileLocation->setBuddy(txtFileLocation);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");

    auto* g = new QGridLayout(this);
    g->addWidget(lblZoom, 0, 0);
    g->addWidget(cboZoom, 0, 1);
    g->addWidget(chkShowScrollbars, 1, 0, 1, 2);
    g->addWidget(lblFileLocation, 2, 0, 1, 2);
    g->addWidget(txtFileLocation, 3, 0, 1, 2);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);
    g->addWidget(buttons, 4, 0, 1, 2);
    g->setColumnStretch(1, 1);
    setMinimumWidth(380);

    connect(cmdOK, &QPushButton::clicked, this, &GeneralOptionsDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &GeneralOptionsDialog::cmdCancel_Click);
    Form_Load();
}

void GeneralOptionsDialog::Form_Load() {
    for (const ZoomChoice& c : kZoomChoices)
        cboZoom->addItem(QString::fromLatin1(c.item));
    cboZoom->setCurrentIndex(zoomIndexOfCode(s_.gstrZoom));
    chkShowScrollbars->setChecked(s_.gblnShowScrollbars);
    txtFileLocation->setText(s_.gstrDefaultDirectoryD);
}

void GeneralOptionsDialog::cmdOK_Click() {
    if (const auto code = zoomCodeOfItem(cboZoom->currentText())) s_.gstrZoom = *code;
    s_.gblnShowScrollbars = chkShowScrollbars->isChecked();
    if (display_) {
        display_->setScrollBars(s_.gblnShowScrollbars);
        if (display_->imageDisplayed()) display_->refresh();
    }
    close();
}

void GeneralOptionsDialog::cmdCancel_Click() {
    close();
}

} // namespace viewer
