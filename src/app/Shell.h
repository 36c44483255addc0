#pragma once
// Running command lines without waiting. The program builds its command texts in their
// Windows form ("explorer X", "net use  \\server\share /user:u p", the picture viewer);
// the Linux runner maps each to a desktop command.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <stdexcept>

namespace app {

class PathMapper;

// Window styles of the shell's run operation.
enum WindowStyle : int { kHide = 0, kNormalFocus = 1, kMinimizedFocus = 2, kMaximizedFocus = 3 };

class ShellError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Shell {
public:
    virtual ~Shell() = default;
    // Starts the command and returns at once. Raises ShellError when the command cannot be
    // started (unknown command, program missing).
    virtual void run(const QString& commandLine, int windowStyle = kNormalFocus) = 0;
};

// What a command line turns into on Linux.
struct ProcessSpec {
    QString program;
    QStringList arguments;
    QByteArray input; // written to the process's standard input (credentials), then closed
};

// Translates a command line; raises ShellError for commands with no Linux counterpart.
// Credentials of "net use" go to standard input, never into the argument list.
ProcessSpec translateCommand(const QString& commandLine, const PathMapper& paths);

class LinuxShell : public Shell {
public:
    explicit LinuxShell(const PathMapper& paths) : paths_(paths) {}
    void run(const QString& commandLine, int windowStyle = kNormalFocus) override;

private:
    const PathMapper& paths_;
};

} // namespace app
