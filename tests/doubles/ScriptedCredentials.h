#pragma once
// A sign-in prompt answered from a script.
#include "app/SignIn.h"

#include <deque>
#include <optional>
#include <vector>

namespace doubles {

// Each ask() takes the next entry; nullopt means Cancel.
class ScriptedCredentialsPrompt : public app::CredentialsPrompt {
public:
    std::optional<app::Credentials> ask(const QString& title, const QString& explanation,
                                        const QString& /*proposedId*/) override {
        asked.push_back(title + "|" + explanation);
        std::optional<app::Credentials> a;
        if (!answers.empty()) {
            a.swap(answers.front());
            answers.pop_front();
        }
        return a;
    }
    std::deque<std::optional<app::Credentials>> answers;
    std::vector<QString> asked;
};

} // namespace doubles
