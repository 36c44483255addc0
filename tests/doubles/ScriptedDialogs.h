#pragma once
// Dialog runners that answer from a script, so tests never show a modal window: each answers
// in the order given (a cancel where the script says so, or once it runs out) and records
// every request it was given.
#include "imaging/controls/Dialogs.h"
#include "imaging/controls/ThumbnailSizeDialog.h"

#include <QSize>
#include <deque>
#include <optional>
#include <vector>

namespace doubles {

// The answers of a scripted dialog, in order, and the requests it was given. When the
// answers run out the dialog is cancelled.
template <class Request, class Answer> class DialogScript {
public:
    void push(std::optional<Answer> answer) { answers_.push_back(std::move(answer)); }
    std::optional<Answer> next(const Request& request) {
        requests_.push_back(request);
        if (answers_.empty()) return std::nullopt;
        std::optional<Answer> a = std::move(answers_.front());
        answers_.pop_front();
        return a;
    }
    const std::vector<Request>& requests() const { return requests_; }

private:
    std::deque<std::optional<Answer>> answers_;
    std::vector<Request> requests_;
};

// Answers in the order given; records every request.
class ScriptedFileDialogRunner : public imaging::FileDialogRunner {
public:
    void answer(QString path, int filterIndex = 1) {
        script_.push(imaging::FileDialogAnswer{std::move(path), filterIndex});
    }
    void cancel() { script_.push(std::nullopt); }
    std::optional<imaging::FileDialogAnswer>
    run(const imaging::FileDialogRequest& request) override {
        return script_.next(request);
    }
    const std::vector<imaging::FileDialogRequest>& requests() const {
        return script_.requests();
    }

private:
    DialogScript<imaging::FileDialogRequest, imaging::FileDialogAnswer> script_;
};

// Answers in the order given; records every request.
class ScriptedPrintDialogRunner : public imaging::PrintDialogRunner {
public:
    struct Answer {
        int firstPage;
        int lastPage;
        int option;
        bool printAnnotations;
    };
    void answer(Answer a) { script_.push(a); }
    void cancel() { script_.push(std::nullopt); }
    bool run(imaging::PrintDialogRequest& request) override;
    const std::vector<imaging::PrintDialogRequest>& requests() const {
        return script_.requests();
    }

private:
    DialogScript<imaging::PrintDialogRequest, Answer> script_;
};

// Answers in the order given; records every size it was shown.
class ScriptedThumbSizeDialogRunner : public imaging::ThumbSizeDialogRunner {
public:
    void answer(QSize size) { script_.push(size); }
    void cancel() { script_.push(std::nullopt); }
    std::optional<QSize> run(QSize current, QWidget*) override { return script_.next(current); }
    const std::vector<QSize>& requests() const { return script_.requests(); }

private:
    DialogScript<QSize, QSize> script_;
};

} // namespace doubles
