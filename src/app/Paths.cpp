#include "app/Paths.h"

#include "app/Settings.h"

#include <QDir>
#include <QRegularExpression>
#include <unistd.h>

namespace app {

namespace {
const QString kSharesSection = QStringLiteral("Shares");

QStringList segments(const QString& rest) {
    QString r = rest;
    r.replace('\\', '/');
    return r.split('/', Qt::SkipEmptyParts);
}
} // namespace

QString joinBounded(const QString& root, const QString& rest) {
    QStringList kept;
    for (const QString& seg : segments(rest)) {
        if (seg == ".") continue;
        if (seg == "..") {
            if (!kept.isEmpty()) kept.removeLast();
            continue;
        }
        kept << seg;
    }
    QString base = root;
    while (base.size() > 1 && base.endsWith('/')) base.chop(1);
    if (kept.isEmpty()) return base.isEmpty() ? QStringLiteral("/") : base;
    return (base == "/" ? QString() : base) + '/' + kept.join('/');
}

bool isInside(const QString& path, const QString& root) {
    const QString p = QDir::cleanPath(path);
    const QString r = QDir::cleanPath(root);
    if (p == r) return true;
    return p.startsWith(r.endsWith('/') ? r : r + '/');
}

PathMapper::PathMapper(const SettingsStore* settings, QString home, QString gvfsRoot)
    : settings_(settings), home_(std::move(home)), gvfsRoot_(std::move(gvfsRoot)) {}

QString PathMapper::defaultGvfsRoot() {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty()) runtime = QStringLiteral("/run/user/%1").arg(getuid());
    return runtime + "/gvfs";
}

QString PathMapper::shareFolder(const QString& server, const QString& share) const {
    if (settings_) {
        const QString key = "\\\\" + server + "\\" + share;
        const QString configured = settings_->read(kAppPrefs, kSharesSection, key);
        if (!configured.isEmpty()) return configured;
    }
    // Where `gio mount smb://server/share` makes the share available.
    return gvfsRoot_ + "/smb-share:server=" + server.toLower() + ",share=" + share.toLower();
}

QString PathMapper::toNative(const QString& logical) const {
    if (logical.startsWith("\\\\") || logical.startsWith("//")) {
        // \\server\share\rest
        QStringList parts = segments(logical);
        if (parts.size() < 2) return joinBounded(gvfsRoot_, {});
        const QString server = parts.takeFirst();
        const QString share = parts.takeFirst();
        return joinBounded(shareFolder(server, share), parts.join('/'));
    }
    static const QRegularExpression drive(QStringLiteral("^([A-Za-z]):"));
    const auto m = drive.match(logical);
    if (m.hasMatch()) {
        const QString letter = m.captured(1).toUpper() + ":";
        QString root = settings_ ? settings_->read(kAppPrefs, kSharesSection, letter) : QString();
        if (root.isEmpty()) root = home_;
        return joinBounded(root, logical.mid(2));
    }
    QString native = logical;
    native.replace('\\', '/');
    if (native.startsWith('/')) return joinBounded(QStringLiteral("/"), native);
    return native;
}

} // namespace app
