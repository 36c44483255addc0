#pragma once
// Message boxes answered from a script; every message shown is recorded.
#include "app/Prompter.h"

#include <deque>
#include <stdexcept>
#include <vector>

namespace doubles {

class ScriptedPrompter : public app::Prompter {
public:
    int ask(const app::Message& m) override {
        shown.push_back(m);
        if (answers.empty()) {
            // A message with one button needs no scripted answer.
            if (m.buttons == app::mb::OKOnly) return app::mb::OK;
            throw std::logic_error("No scripted answer for: " + m.text.toStdString());
        }
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    // Texts shown, in order.
    std::vector<QString> texts() const {
        std::vector<QString> t;
        for (const auto& m : shown) t.push_back(m.text);
        return t;
    }
    QString lastText() const { return shown.empty() ? QString() : shown.back().text; }

    std::deque<int> answers;
    std::vector<app::Message> shown;
};

} // namespace doubles
