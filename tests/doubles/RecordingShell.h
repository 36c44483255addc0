#pragma once
// A shell that records the command lines it is asked to run, and fails when told to.
#include "app/Shell.h"

#include <optional>

namespace doubles {

class RecordingShell : public app::Shell {
public:
    void run(const QString& commandLine, int windowStyle = app::kNormalFocus) override {
        commands << commandLine;
        styles << windowStyle;
        if (failWith) throw app::ShellError(failWith->toStdString());
    }
    QStringList commands;
    QList<int> styles;
    std::optional<QString> failWith;
};

} // namespace doubles
