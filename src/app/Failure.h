#pragma once
// The four ways a command treats its failing steps:
//   Propagate   - no handler: the failure ends the command (the exception goes on);
//   Skip        - the failing step is skipped silently and the next one runs;
//   Log         - the failing step's description goes to the log window, the next one runs;
//   ShowAndStop - the first failure's description is shown in a message box (OK only) and
//                 the remaining steps do not run.
// Commands run their steps through one Steps object instead of writing try/catch blocks.
#include <QString>
#include <exception>
#include <functional>

namespace app {

class Prompter;
class LogSink;

enum class FailureStyle { Propagate, Skip, Log, ShowAndStop };

// The error of the last failing step, like the old runtime's error object.
struct ErrorInfo {
    int number = 0;
    QString description;
    bool isSet() const { return number != 0 || !description.isEmpty(); }
};

// Number and description of any exception the layers raise. Layers whose errors carry a
// number register how to read it (the database and the imaging engine do).
ErrorInfo describeError(const std::exception& e);
ErrorInfo describeCurrentException();
using ErrorNumberReader = std::function<bool(const std::exception&, int* number)>;
void registerErrorNumberReader(ErrorNumberReader reader);

class Steps {
public:
    // `log` is needed for Log, `prompter` for ShowAndStop.
    Steps(FailureStyle style, LogSink* log = nullptr, Prompter* prompter = nullptr);

    // How a failure is written or shown; the default is the description alone.
    Steps& format(std::function<QString(const ErrorInfo&)> f) {
        format_ = std::move(f);
        return *this;
    }

    // Runs one step. Returns true when it ran without failing.
    bool operator()(const std::function<void()>& step);

    bool stopped() const { return stopped_; }   // ShowAndStop hit a failure
    bool anyFailed() const { return failures_ > 0; }
    int failures() const { return failures_; }
    const ErrorInfo& lastError() const { return last_; }
    void clearError() { last_ = {}; }

private:
    FailureStyle style_;
    LogSink* log_;
    Prompter* prompter_;
    std::function<QString(const ErrorInfo&)> format_;
    ErrorInfo last_;
    int failures_ = 0;
    bool stopped_ = false;
};

} // namespace app
