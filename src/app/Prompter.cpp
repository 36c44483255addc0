#include "app/Prompter.h"

#include <QApplication>
#include <QMessageBox>

namespace app {

int MessageBoxPrompter::ask(const Message& m) {
    QMessageBox box(owner_ ? owner_ : QApplication::activeWindow());
    box.setWindowTitle(m.title ? *m.title : kProgramTitle);
    box.setText(m.text);
    switch (m.icon) {
    case mb::Critical: box.setIcon(QMessageBox::Critical); break;
    case mb::Question: box.setIcon(QMessageBox::Question); break;
    case mb::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case mb::Information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon);
    }
    struct Choice {
        QMessageBox::StandardButton button;
        int answer;
    };
    std::vector<Choice> choices;
    switch (m.buttons) {
    case mb::OKCancel: choices = {{QMessageBox::Ok, mb::OK}, {QMessageBox::Cancel, mb::Cancel}}; break;
    case mb::YesNoCancel:
        choices = {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No},
                   {QMessageBox::Cancel, mb::Cancel}};
        break;
    case mb::YesNo: choices = {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}}; break;
    default: choices = {{QMessageBox::Ok, mb::OK}};
    }
    QMessageBox::StandardButtons buttons;
    for (const auto& c : choices) buttons |= c.button;
    box.setStandardButtons(buttons);
    box.setDefaultButton(choices.front().button);
    const int clicked = box.exec();
    for (const auto& c : choices)
        if (clicked == c.button) return c.answer;
    // Closed with Esc or the window's close box: the answer a cancel button gives, or the
    // only answer a box with one button has.
    if (m.buttons == mb::YesNo) return mb::No;
    if (m.buttons == mb::OKOnly) return mb::OK;
    return mb::Cancel;
}

} // namespace app
