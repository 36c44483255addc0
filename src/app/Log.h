#pragma once
// The log window: diagnostic and error lines, newest first. There is no log file; the text
// lives as long as the window does.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <deque>

class QPlainTextEdit;
class QPushButton;

namespace app {

class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void writeLog(const QString& line) = 0;
};

// The window (`frmLog`, caption "Log"): one read-only text box and a Close button.
class LogWindow : public QWidget {
    Q_OBJECT
public:
    // Lines beyond this bound are dropped, oldest first.
    static constexpr int kMaxLines = 5000;

    explicit LogWindow(QWidget* owner = nullptr);
    void addLine(const QString& line);
    // The whole text as shown: each line followed by CR LF, newest first.
    QString text() const;
    int lineCount() const { return static_cast<int>(lines_.size()); }

public slots:
    void cmdClose_Click();

private:
    QPlainTextEdit* text1_;
    std::deque<QString> lines_;
};

// WriteLog: opens the log window when needed (owned by the main window) and puts the line
// on top. Closing the window discards its text; the next line starts a new one.
class Logger : public LogSink {
public:
    void setOwner(QWidget* owner) { owner_ = owner; }
    void writeLog(const QString& line) override;
    LogWindow* window() const { return window_; }

private:
    QPointer<QWidget> owner_;
    QPointer<LogWindow> window_;
};

// Lines kept in memory (tests).
class MemoryLog : public LogSink {
public:
    void writeLog(const QString& line) override { lines.push_back(line); }
    std::vector<QString> lines;
};

} // namespace app
