#pragma once
// Asking for an employee ID and a password: the sign-in dialog and the settings check.
#include <QDialog>
#include <QString>
#include <optional>

class QLineEdit;
class QLabel;

namespace app {

struct Credentials {
    QString employeeId;
    QString password;
};

class CredentialsPrompt {
public:
    virtual ~CredentialsPrompt() = default;
    // Returns nothing when the user cancels.
    virtual std::optional<Credentials> ask(const QString& title, const QString& explanation,
                                           const QString& proposedId) = 0;
    // What the first field asks for: the employee ID, or a SQL Server login.
    QString idLabel = QStringLiteral("&Employee ID:");
};

// The real dialog (`frmSignIn`).
class SignInDialog : public QDialog {
    Q_OBJECT
public:
    SignInDialog(const QString& title, const QString& explanation, const QString& proposedId,
                 QWidget* parent = nullptr, const QString& idLabel = QStringLiteral("&Employee ID:"));
    Credentials credentials() const;

private:
    QLineEdit* id_;
    QLineEdit* password_;
};

class DialogCredentialsPrompt : public CredentialsPrompt {
public:
    std::optional<Credentials> ask(const QString& title, const QString& explanation,
                                   const QString& proposedId) override;
};

// File > Change Password...: the old password and the new one twice.
struct PasswordChange {
    QString oldPassword;
    QString newPassword;
    QString confirmation;
};

class PasswordChangePrompt {
public:
    virtual ~PasswordChangePrompt() = default;
    // Returns nothing when the user cancels.
    virtual std::optional<PasswordChange> ask(const QString& explanation) = 0;
};

// The real dialog (`frmChangePassword`: txtOldPassword, txtNewPassword, txtConfirmPassword).
class ChangePasswordDialog : public QDialog {
    Q_OBJECT
public:
    explicit ChangePasswordDialog(const QString& explanation, QWidget* parent = nullptr);
    PasswordChange answer() const;

private:
    QLineEdit* old_;
    QLineEdit* new_;
    QLineEdit* confirm_;
};

class DialogPasswordChangePrompt : public PasswordChangePrompt {
public:
    std::optional<PasswordChange> ask(const QString& explanation) override;
};

} // namespace app
