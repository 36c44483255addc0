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
};

// The real dialog (`frmSignIn`).
class SignInDialog : public QDialog {
    Q_OBJECT
public:
    SignInDialog(const QString& title, const QString& explanation, const QString& proposedId,
                 QWidget* parent = nullptr);
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

} // namespace app
