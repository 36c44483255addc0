#include "app/StartupWindow.h"

#include "app/Components.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "history/Event.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <optional>
#include <stdexcept>

namespace app {

QPixmap programPicture(int width, int height) {
    QPixmap pm(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    g.setColorAt(1, QColor(0x2e, 0x75, 0xb6));
    p.fillRect(pm.rect(), g);
    // A stack of pages with a fold: the records being filed.
    const int w = height * 45 / 100, h = height * 60 / 100;
    for (int i = 2; i >= 0; --i) {
        QRect r(width / 10 + i * 8, height / 5 - i * 6, w, h);
        p.setPen(QPen(QColor(0x1f, 0x4e, 0x79), 1.5));
        p.setBrush(i == 0 ? Qt::white : QColor(0xe8, 0xee, 0xf5));
        p.drawRect(r);
        if (i == 0) {
            p.setPen(QPen(QColor(0x9a, 0xa9, 0xb8), 2));
            for (int y = r.top() + h / 6; y < r.bottom() - h / 8; y += h / 9)
                p.drawLine(r.left() + w / 8, y, r.right() - w / 8 - (y % 3) * 6, y);
        }
    }
    QFont f = QApplication::font();
    f.setPixelSize(height / 6);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    QRect textArea(width / 10 + w + 28, 0, width - (width / 10 + w + 28), height);
    p.drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft, "Docuvane");
    f.setPixelSize(height / 14);
    f.setBold(false);
    p.setFont(f);
    p.drawText(textArea.adjusted(0, height / 4, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
               "Medical records imaging");
    return pm;
}

StartupWindow::StartupWindow(Session& session, MainWindowHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), s_(session), host_(host) {
    setObjectName("frmSplash");
    setAttribute(Qt::WA_DeleteOnClose);

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    auto* outer = new QGridLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    auto* image1 = new QLabel(frame);
    image1->setObjectName("Image1");
    image1->setPixmap(programPicture(420, 150));

    auto* label1 = new QLabel("Choose Type:", frame);
    label1->setObjectName("Label1");
    optMedRec_ = new QRadioButton("&1  Medical Records (Scanning)", frame);
    optMedRec_->setObjectName("optMedRec");
    optNurse_ = new QRadioButton("&2  Nurse (View Only)", frame);
    optNurse_->setObjectName("optNurse");
    optHR_ = new QRadioButton("3 Other", frame);
    optHR_->setObjectName("optHR");
    auto* label2 = new QLabel("Department ID", frame);
    label2->setObjectName("Label2");
    txtDepartmentID_ = new QLineEdit(frame);
    txtDepartmentID_->setObjectName("txtDepartmentID");
    txtDepartmentID_->installEventFilter(this);
    label2->setBuddy(txtDepartmentID_);
    cmdStart_ = new QPushButton("Start", frame);
    cmdStart_->setObjectName("cmdStart");
    cmdStart_->setDefault(true);
    cmdClose_ = new QPushButton("Close", frame);
    cmdClose_->setObjectName("cmdClose");

    auto* grid = new QGridLayout(frame);
    grid->addWidget(image1, 0, 0, 1, 3);
    grid->addWidget(label1, 1, 0, 1, 3);
    grid->addWidget(optMedRec_, 2, 0, 1, 3);
    grid->addWidget(optNurse_, 3, 0, 1, 3);
    grid->addWidget(optHR_, 4, 0);
    grid->addWidget(label2, 4, 1, Qt::AlignRight);
    grid->addWidget(txtDepartmentID_, 4, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdStart_);
    buttons->addWidget(cmdClose_);
    grid->addLayout(buttons, 5, 0, 1, 3);

    connect(optMedRec_, &QRadioButton::clicked, this, &StartupWindow::optMedRec_Click);
    connect(optNurse_, &QRadioButton::clicked, this, &StartupWindow::optNurse_Click);
    connect(optHR_, &QRadioButton::clicked, this, &StartupWindow::optHR_Click);
    connect(cmdStart_, &QPushButton::clicked, this, &StartupWindow::cmdStart_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &StartupWindow::cmdClose_Click);
}

bool StartupWindow::Form_Load() {
    try {
        // The signed-in user and their connection stay until this new component has signed
        // in (a sign-in shown again may be cancelled or fail).
        user_ = s_.svc.components->createCurrentUser(kCurrentUserProgId);
    } catch (...) {
        const ErrorInfo e = describeCurrentException();
        s_.svc.prompter->msgBox("Docuvane cannot start: the sign-in component " +
                                    kCurrentUserProgId + " could not be created.\r\n\r\n" +
                                    e.description,
                                mb::OKOnly, mb::Critical);
        close();
        return false;
    }
    txtDepartmentID_->setText(s_.svc.settings->read(kAppMain, "MAIN", "DepartmentID", ""));

    // The numeric value of the leading digits, as a 16-bit number; anything else counts as 0.
    const QString stored = s_.svc.settings->read(kAppMain, "MAIN", "StartupType", "").trimmed();
    qsizetype n = 0;
    while (n < stored.size() && stored[n].isDigit()) ++n;
    bool ok = false;
    const int value = stored.left(n).toInt(&ok);
    s_.gintStartupType = (ok && value <= 32767) ? value : (n == 0 ? 0 : -1);
    selectType(s_.gintStartupType);

    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect g = screen->availableGeometry();
        move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 3);
    }
    // The sign-in that follows is a modal dialog: this window is painted behind it.
    show();
    cmdStart_Click();
    return true;
}

void StartupWindow::selectType(int type) {
    // Selecting an option runs its Click handler, which stores the type at once.
    switch (type) {
    case 0: optMedRec_->setChecked(true); optMedRec_Click(); break;
    case 1: optNurse_->setChecked(true); optNurse_Click(); break;
    case 2: optHR_->setChecked(true); optHR_Click(); break;
    default: break;
    }
}

void StartupWindow::optMedRec_Click() {
    s_.gintStartupType = 0;
    s_.svc.settings->write(kAppMain, "MAIN", "StartupType", "0");
}

void StartupWindow::optNurse_Click() {
    s_.gintStartupType = 1;
    s_.svc.settings->write(kAppMain, "MAIN", "StartupType", "1");
}

void StartupWindow::optHR_Click() {
    s_.gintStartupType = 2;
    s_.svc.settings->write(kAppMain, "MAIN", "StartupType", "2");
}

void StartupWindow::txtDepartmentID_LostFocus() {
    s_.svc.settings->write(kAppMain, "MAIN", "DepartmentID", txtDepartmentID_->text());
}

bool StartupWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtDepartmentID_ && event->type() == QEvent::FocusOut)
        txtDepartmentID_LostFocus();
    return QWidget::eventFilter(watched, event);
}

static void setBold(QRadioButton* b, bool bold) {
    QFont f = b->font();
    f.setBold(bold);
    b->setFont(f);
}

void StartupWindow::cmdStart_Click() {
    if (!user_) return;
    auto& user = *user_;
    std::optional<bool> admin;
    switch (s_.gintStartupType) {
    case 0:
        user.setPasswordDeptCode("19");
        setBold(optMedRec_, true);
        setBold(optNurse_, false);
        admin = true;
        break;
    case 1:
        user.setPasswordDeptCode("16");
        setBold(optNurse_, true);
        setBold(optMedRec_, false);
        admin = false;
        break;
    case 2:
        if (txtDepartmentID_->text().isEmpty()) {
            s_.svc.prompter->msgBox("Enter DepartmentID.", mb::OKOnly);
            txtDepartmentID_->setFocus();
            return;
        }
        user.setPasswordDeptCode(txtDepartmentID_->text());
        admin = false;
        break;
    default: break;
    }

    try {
        user.ShowMain();
        if (!user.Connected()) return;
        db::Connection* c = user.sqlconnection();
        if (!c) throw std::runtime_error("The sign-in gave no connection to the database.");
        c->setCommandTimeout(120);
        c->setCursorLocation(3);
    } catch (...) {
        const ErrorInfo e = describeCurrentException();
        history::Event failed;
        failed.action = history::Action::SignInFailed;
        failed.employee = user.EmployeeCode();
        failed.details = e.description;
        s_.recordHistory(failed);
        s_.svc.prompter->msgBox("Docuvane cannot start: the sign-in failed.\r\n\r\n" +
                                    e.description,
                                mb::OKOnly, mb::Critical);
        return;
    }
    // Signed in: the new user, their connection and their access type replace the old ones.
    if (s_.gobjCurrentUser && s_.gobjCurrentUser != user_) s_.recordHistory({history::Action::SignOut});
    s_.gobjCurrentUser = user_;
    s_.recordHistory({history::Action::SignIn});
    if (admin) s_.gblnAdmin = *admin;
    host_.showMainWindow();
}

void StartupWindow::cmdClose_Click() { close(); }

void StartupWindow::closeEvent(QCloseEvent* event) {
    if (!host_.mainWindowLoaded()) emit quitRequested();
    QWidget::closeEvent(event);
}

} // namespace app
