#include "app/Shell.h"

#include "app/Paths.h"

#include <QProcess>
#include <QStandardPaths>

namespace app {

namespace {

// Text after the first word of a command line (the first word may carry ".exe").
bool takeCommand(const QString& line, const QString& word, QString* rest) {
    const QString t = line.trimmed();
    const qsizetype sp = t.indexOf(' ');
    const QString first = sp < 0 ? t : t.left(sp);
    if (first.compare(word, Qt::CaseInsensitive) != 0 &&
        first.compare(word + ".exe", Qt::CaseInsensitive) != 0)
        return false;
    *rest = sp < 0 ? QString() : t.mid(sp + 1);
    return true;
}

ProcessSpec openWithDesktop(const QString& logical, const PathMapper& paths) {
    const QString target = logical.trimmed();
    if (target.isEmpty()) throw ShellError("Nothing to open.");
    return {QStringLiteral("xdg-open"), {paths.toNative(target)}, {}};
}

} // namespace

ProcessSpec translateCommand(const QString& commandLine, const PathMapper& paths) {
    QString rest;
    if (takeCommand(commandLine, "explorer", &rest)) return openWithDesktop(rest, paths);

    if (takeCommand(commandLine, "net", &rest)) {
        QString afterUse;
        if (!takeCommand(rest, "use", &afterUse))
            throw ShellError(("The command cannot be run on this system: " + commandLine).toStdString());
        // net use  \\server\share /user:NAME PASSWORD
        QString location = afterUse.trimmed();
        QString user, password;
        const qsizetype u = location.indexOf(QLatin1String(" /user:"), 0, Qt::CaseInsensitive);
        if (u >= 0) {
            const QString cred = location.mid(u + 7);
            location = location.left(u).trimmed();
            const qsizetype sp = cred.indexOf(' ');
            user = sp < 0 ? cred : cred.left(sp);
            password = sp < 0 ? QString() : cred.mid(sp + 1);
        }
        QString unc = location;
        unc.replace('\\', '/');
        while (unc.startsWith('/')) unc.remove(0, 1);
        if (unc.isEmpty()) throw ShellError("No share given to connect.");
        // gio asks for the user, the domain and the password, in that order.
        const QByteArray input = (user + "\nWORKGROUP\n" + password + "\n").toUtf8();
        return {QStringLiteral("gio"), {QStringLiteral("mount"), "smb://" + unc}, input};
    }

    if (takeCommand(commandLine, "rundll32", &rest)) {
        // rundll32.exe c:\windows\System32\shimgvw.dll, ImageView_Fullscreen    <path>
        const QString marker = QStringLiteral("ImageView_Fullscreen");
        const qsizetype m = rest.indexOf(marker, 0, Qt::CaseInsensitive);
        if (m >= 0) return openWithDesktop(rest.mid(m + marker.size()), paths);
    }

    throw ShellError(("The command cannot be run on this system: " + commandLine).toStdString());
}

void LinuxShell::run(const QString& commandLine, int /*windowStyle*/) {
    const ProcessSpec process = translateCommand(commandLine, paths_);
    if (QStandardPaths::findExecutable(process.program).isEmpty())
        throw ShellError(("The program " + process.program + " is not installed.").toStdString());
    if (process.input.isEmpty()) {
        if (!QProcess::startDetached(process.program, process.arguments))
            throw ShellError(("Cannot start " + process.program + ".").toStdString());
        return;
    }
    // A process that reads credentials from standard input: start it, hand them over and
    // let it finish on its own; the object deletes itself when the process ends.
    auto* p = new QProcess;
    QObject::connect(p, &QProcess::finished, p, &QObject::deleteLater);
    QObject::connect(p, &QProcess::errorOccurred, p, [p](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) p->deleteLater();
    });
    p->start(process.program, process.arguments);
    if (!p->waitForStarted(3000)) {
        p->deleteLater();
        throw ShellError(("Cannot start " + process.program + ".").toStdString());
    }
    p->write(process.input);
    p->closeWriteChannel();
}

} // namespace app
