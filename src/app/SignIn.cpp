#include "app/SignIn.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

namespace {

// The explanation, the fields and OK and Cancel (cmdOK, cmdCancel) one below the other.
void layOut(QDialog* d, QLabel* explanation, QFormLayout* fields) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cmdCancel");
    QObject::connect(buttons, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
    auto* layout = new QVBoxLayout(d);
    layout->addWidget(explanation);
    layout->addLayout(fields);
    layout->addWidget(buttons);
}

} // namespace

SignInDialog::SignInDialog(const QString& title, const QString& explanation,
                           const QString& proposedId, QWidget* parent, const QString& idLabel)
    : QDialog(parent) {
    setObjectName("frmSignIn");
    setWindowTitle(title);
    auto* info = new QLabel(explanation, this);
    info->setObjectName("lblExplanation");
    info->setWordWrap(true);
    id_ = new QLineEdit(proposedId, this);
    id_->setObjectName("txtEmployeeID");
    password_ = new QLineEdit(this);
    password_->setObjectName("txtPassword");
    password_->setEchoMode(QLineEdit::Password);
    auto* form = new QFormLayout;
    form->addRow(idLabel, id_);
    form->addRow("&Password:", password_);
    layOut(this, info, form);
    if (!proposedId.isEmpty()) password_->setFocus();
    setMinimumWidth(360);
}

Credentials SignInDialog::credentials() const { return {id_->text().trimmed(), password_->text()}; }

std::optional<Credentials> DialogCredentialsPrompt::ask(const QString& title,
                                                        const QString& explanation,
                                                        const QString& proposedId) {
    SignInDialog d(title, explanation, proposedId, nullptr, idLabel);
    // Below the window that asks (the start-up window), so neither hides the other.
    QWidget* owner = QApplication::activeWindow();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!owner && w->isVisible() && w->objectName() == "frmSplash") owner = w;
    if (owner) {
        d.adjustSize();
        const QRect g = owner->frameGeometry();
        d.move(g.center().x() - d.width() / 2, g.bottom() + 12);
    }
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return d.credentials();
}

ChangePasswordDialog::ChangePasswordDialog(const QString& explanation, QWidget* parent)
    : QDialog(parent) {
    setObjectName("frmChangePassword");
    setWindowTitle("Change Password - Docuvane");
    auto* info = new QLabel(explanation, this);
    info->setObjectName("lblExplanation");
    info->setWordWrap(true);
    auto field = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setEchoMode(QLineEdit::Password);
        return e;
    };
    old_ = field("txtOldPassword");
    new_ = field("txtNewPassword");
    confirm_ = field("txtConfirmPassword");
    auto* form = new QFormLayout;
    form->addRow("&Current password:", old_);
    form->addRow("&New password:", new_);
    form->addRow("Con&firm new password:", confirm_);
    layOut(this, info, form);
    setMinimumWidth(380);
}

PasswordChange ChangePasswordDialog::answer() const {
    return {old_->text(), new_->text(), confirm_->text()};
}

std::optional<PasswordChange> DialogPasswordChangePrompt::ask(const QString& explanation) {
    ChangePasswordDialog d(explanation, QApplication::activeWindow());
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return d.answer();
}

} // namespace app
