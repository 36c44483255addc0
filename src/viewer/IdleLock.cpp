#include "viewer/IdleLock.h"

#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Log.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "viewer/MainWindow.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace viewer {

namespace {

bool isInput(QEvent::Type t) {
    switch (t) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        return true;
    default:
        return false;
    }
}

} // namespace

IdleLock::IdleLock(MainWindow& window) : QObject(&window), w_(window) {
    setObjectName("viewerIdleLock");
    lastInput_ = w_.session().svc.clock->now();
    panel_ = new QWidget(&w_);
    panel_->setObjectName("frmLocked");
    panel_->setAutoFillBackground(true);
    lblLocked_ = new QLabel(panel_);
    lblLocked_->setObjectName("lblLocked");
    lblLocked_->setAlignment(Qt::AlignCenter);
    lblLocked_->setWordWrap(true);
    txtPassword_ = new QLineEdit(panel_);
    txtPassword_->setObjectName("txtPassword");
    txtPassword_->setEchoMode(QLineEdit::Password);
    txtPassword_->setMaximumWidth(260);
    auto* unlockButton = new QPushButton("&Unlock", panel_);
    unlockButton->setObjectName("cmdUnlock");
    unlockButton->setDefault(true);
    auto* otherButton = new QPushButton("Sign In as &Another User...", panel_);
    otherButton->setObjectName("cmdSignInOther");
    lblMessage_ = new QLabel(panel_);
    lblMessage_->setObjectName("lblMessage");
    lblMessage_->setAlignment(Qt::AlignCenter);
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* passwordLabel = new QLabel("&Password:", panel_);
    passwordLabel->setBuddy(txtPassword_);
    row->addWidget(passwordLabel);
    row->addWidget(txtPassword_);
    row->addWidget(unlockButton);
    row->addStretch();
    auto* other = new QHBoxLayout;
    other->addStretch();
    other->addWidget(otherButton);
    other->addStretch();
    auto* layout = new QVBoxLayout(panel_);
    layout->addStretch(2);
    layout->addWidget(lblLocked_);
    layout->addSpacing(12);
    layout->addLayout(row);
    layout->addWidget(lblMessage_);
    layout->addSpacing(12);
    layout->addLayout(other);
    layout->addStretch(3);
    panel_->hide();
    connect(unlockButton, &QPushButton::clicked, this, &IdleLock::cmdUnlock_Click);
    connect(txtPassword_, &QLineEdit::returnPressed, this, &IdleLock::cmdUnlock_Click);
    connect(otherButton, &QPushButton::clicked, this, &IdleLock::cmdSignInOther_Click);
    qApp->installEventFilter(this);
    timer_.setInterval(15000);
    connect(&timer_, &QTimer::timeout, this, &IdleLock::checkIdle);
    timer_.start();
}

IdleLock::~IdleLock() {
    if (qApp) qApp->removeEventFilter(this);
}

int IdleLock::idleMinutes() const {
    bool ok = false;
    const int m = w_.session()
                      .svc.settings
                      ->read(app::kAppPrefs, "Security", "IdleLockMinutes",
                             QString::number(kDefaultMinutes))
                      .trimmed()
                      .toInt(&ok);
    return ok && m >= 0 ? m : kDefaultMinutes;
}

void IdleLock::checkIdle() {
    if (locked_) return;
    const int minutes = idleMinutes();
    if (minutes <= 0) return;
    if (lastInput_.secsTo(w_.session().svc.clock->now()) < qint64(minutes) * 60) return;
    if (QApplication::activeModalWidget()) return; // a question waits for its answer first
    lock();
}

bool IdleLock::insidePanel(QObject* o) const {
    for (auto* w = qobject_cast<QWidget*>(o); w; w = w->parentWidget())
        if (w == panel_) return true;
    return false;
}

void IdleLock::lock() {
    if (locked_) return;
    locked_ = true;
    app::Session& s = w_.session();
    // Every other window of the program may show patients: hidden until unlocked.
    hidden_.clear();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top == &w_ || !top->isVisible()) continue;
        if (top->windowType() == Qt::Popup || top->windowType() == Qt::ToolTip) continue;
        hidden_.push_back(top);
        top->hide();
    }
    savedTitle_ = w_.windowTitle();
    w_.setWindowTitle("Docuvane - Locked");
    if (QWidget* c = w_.centralWidget()) c->hide();
    const QString who = s.gobjCurrentUser ? s.gobjCurrentUser->EmployeeName() + " (employee " +
                                                s.gobjCurrentUser->EmployeeCode() + ")"
                                          : QString();
    lblLocked_->setText(QString("Docuvane is locked after %1 minutes without use.\n"
                                "Signed in: %2.\nEnter your password to go on.")
                            .arg(idleMinutes())
                            .arg(who));
    lblMessage_->clear();
    txtPassword_->clear();
    panel_->setGeometry(w_.rect());
    panel_->raise();
    panel_->show();
    txtPassword_->setFocus();
    if (s.svc.log) s.svc.log->writeLog("The window was locked after " +
                                       QString::number(idleMinutes()) + " minutes without use.");
}

void IdleLock::unlock(bool reshowWindows) {
    locked_ = false;
    panel_->hide();
    txtPassword_->clear();
    if (QWidget* c = w_.centralWidget()) c->show();
    w_.setWindowTitle(savedTitle_);
    for (const QPointer<QWidget>& top : hidden_)
        if (top) reshowWindows ? top->show() : (void)top->close();
    hidden_.clear();
    lastInput_ = w_.session().svc.clock->now();
}

void IdleLock::cmdUnlock_Click() {
    if (!locked_) return;
    app::Session& s = w_.session();
    const QString password = txtPassword_->text();
    txtPassword_->clear();
    if (s.gobjCurrentUser && s.gobjCurrentUser->Reauthenticate(password)) {
        unlock(true);
        return;
    }
    lblMessage_->setText("The password is not correct.");
}

void IdleLock::cmdSignInOther_Click() {
    if (!locked_) return;
    // The document is closed first (its save question is asked now); then the start-up
    // window signs the next user in. A Cancel keeps the window locked.
    w_.mnuFileClose_Click([this] {
        unlock(false);
        emit w_.startupWindowRequested();
    });
}

bool IdleLock::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (!locked_) {
        if (isInput(t)) lastInput_ = w_.session().svc.clock->now();
        return false;
    }
    if (watched == &w_ && t == QEvent::Resize) panel_->setGeometry(w_.rect());
    // While locked only the panel takes input; shortcuts of the menus do not run.
    if (t == QEvent::Shortcut || t == QEvent::ShortcutOverride) return !insidePanel(watched);
    if (isInput(t) || t == QEvent::KeyRelease || t == QEvent::MouseButtonRelease ||
        t == QEvent::MouseButtonDblClick)
        return !insidePanel(watched) && watched->isWidgetType();
    return false;
}

} // namespace viewer
