#pragma once
// The automatic lock of the main window: after a time without keyboard or mouse input
// (setting [Security] IdleLockMinutes, default 15; 0 turns it off) every patient datum and
// page is hidden behind a panel (`frmLocked`) that asks the signed-in user's password again,
// or lets another user sign in (the document is closed first, with the save question). The
// document itself is left as it is: nothing unsaved is lost while locked.
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QLabel;
class QLineEdit;
class QWidget;

namespace viewer {

class MainWindow;

class IdleLock : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultMinutes = 15;

    explicit IdleLock(MainWindow& window);
    ~IdleLock() override;

    int idleMinutes() const;
    bool locked() const { return locked_; }
    // Called by its timer; locks once the idle time has passed since the last input. A modal
    // question that is open keeps the window unlocked until it is answered.
    void checkIdle();
    void lock();

    // The panel's buttons.
    void cmdUnlock_Click();
    void cmdSignInOther_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void unlock(bool reshowWindows);
    bool insidePanel(QObject* o) const;

    MainWindow& w_;
    QWidget* panel_ = nullptr;
    QLabel* lblLocked_ = nullptr;
    QLabel* lblMessage_ = nullptr;
    QLineEdit* txtPassword_ = nullptr;
    QList<QPointer<QWidget>> hidden_;
    QString savedTitle_;
    QDateTime lastInput_;
    QTimer timer_;
    bool locked_ = false;
};

} // namespace viewer
