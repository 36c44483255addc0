#pragma once
// Questions and messages. Every message box of the program goes through one Prompter, so
// tests can script the answers and read every text that was shown.
#include <QString>
#include <optional>

class QWidget;

namespace app {

// Buttons, icons and answers, with the numbers of the message boxes the texts were
// written for.
namespace mb {
enum Buttons : int { OKOnly = 0, OKCancel = 1, YesNoCancel = 3, YesNo = 4 };
enum Icon : int { NoIcon = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum Answer : int { OK = 1, Cancel = 2, Yes = 6, No = 7 };
} // namespace mb

struct Message {
    QString text;
    int buttons = mb::OKOnly;
    int icon = mb::NoIcon;
    // nullopt: the program's title; an empty text: no title.
    std::optional<QString> title;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows the message and returns the answer (mb::Answer).
    virtual int ask(const Message& message) = 0;

    // Shorthands.
    int msgBox(const QString& text, int buttons = mb::OKOnly, int icon = mb::NoIcon) {
        return ask({text, buttons, icon, std::nullopt});
    }
    int msgBox(const QString& text, int buttons, int icon, const QString& title) {
        return ask({text, buttons, icon, title});
    }
};

// The program's title in message boxes.
inline const QString kProgramTitle = QStringLiteral("Docuvane");

// Real message boxes (QMessageBox), owned by a window when one is given.
class MessageBoxPrompter : public Prompter {
public:
    explicit MessageBoxPrompter(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    int ask(const Message& message) override;

private:
    QWidget* owner_;
};

} // namespace app
