#pragma once
// Asking for an employee ID and a password: the sign-in dialog and the settings check.
#include <QDialog>
#include <QString>
#include <deque>
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

// Answers from a script (tests): each ask() takes the next entry; nullopt means Cancel.
class ScriptedCredentialsPrompt : public CredentialsPrompt {
public:
    std::optional<Credentials> ask(const QString& title, const QString& explanation,
                                   const QString& /*proposedId*/) override {
        asked.push_back(title + "|" + explanation);
        std::optional<Credentials> a;
        if (!answers.empty()) {
            a.swap(answers.front());
            answers.pop_front();
        }
        return a;
    }
    std::deque<std::optional<Credentials>> answers;
    std::vector<QString> asked;
};

} // namespace app
