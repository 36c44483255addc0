#pragma once
// The password change dialog answered from a script.
#include "app/SignIn.h"

#include <deque>
#include <optional>
#include <vector>

namespace doubles {

// Each ask() takes the next entry; nullopt means Cancel.
class ScriptedPasswordChange : public app::PasswordChangePrompt {
public:
    std::optional<app::PasswordChange> ask(const QString& explanation) override {
        asked.push_back(explanation);
        std::optional<app::PasswordChange> a;
        if (!answers.empty()) {
            a.swap(answers.front());
            answers.pop_front();
        }
        return a;
    }
    std::deque<std::optional<app::PasswordChange>> answers;
    std::vector<QString> asked;
};

} // namespace doubles
