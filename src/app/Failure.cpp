#include "app/Failure.h"

#include "app/Log.h"
#include "app/Prompter.h"

#include <vector>

namespace app {

namespace {
std::vector<ErrorNumberReader>& readers() {
    static std::vector<ErrorNumberReader> r;
    return r;
}
} // namespace

void registerErrorNumberReader(ErrorNumberReader reader) { readers().push_back(std::move(reader)); }

ErrorInfo describeError(const std::exception& e) {
    ErrorInfo info;
    info.description = QString::fromUtf8(e.what());
    for (const auto& r : readers()) {
        int n = 0;
        if (r(e, &n)) {
            info.number = n;
            break;
        }
    }
    if (info.number == 0) info.number = -1; // a failure without a number of its own
    return info;
}

ErrorInfo describeCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        return describeError(e);
    } catch (...) {
        return {-1, QStringLiteral("Unknown error")};
    }
}

Steps::Steps(FailureStyle style, LogSink* log, Prompter* prompter)
    : style_(style), log_(log), prompter_(prompter) {}

bool Steps::operator()(const std::function<void()>& step) {
    if (stopped_) return false;
    if (style_ == FailureStyle::Propagate) {
        step();
        return true;
    }
    try {
        step();
        return true;
    } catch (...) {
        last_ = describeCurrentException();
        ++failures_;
        const QString text = format_ ? format_(last_) : last_.description;
        switch (style_) {
        case FailureStyle::Log:
            if (log_) log_->writeLog(text);
            break;
        case FailureStyle::ShowAndStop:
            if (prompter_) prompter_->msgBox(text, mb::OKOnly);
            stopped_ = true;
            break;
        default: break;
        }
        return false;
    }
}

} // namespace app
