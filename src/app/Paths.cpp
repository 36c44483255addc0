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

QString PathMapper::toLogical(const QString& native, const QStringList& roots) const {
    const QString path = QDir::cleanPath(native);
    auto below = [&](const QString& root, const QString& folder) -> QString {
        const QString f = QDir::cleanPath(folder);
        if (!isInside(path, f)) return {};
        QString rest = path.mid(f.size());
        while (rest.startsWith('/')) rest.remove(0, 1);
        QString base = root;
        while (base.endsWith('\\') || base.endsWith('/')) base.chop(1);
        if (rest.isEmpty()) return base.size() == 2 && base.endsWith(':') ? base + '\\' : base;
        rest.replace('/', '\\');
        return base + '\\' + rest;
    };
    for (const QString& root : roots) {
        if (root.trimmed().isEmpty()) continue;
        const QString logical = below(root, toNative(root));
        if (!logical.isEmpty()) return logical;
    }
    // gio's mount points: <gvfs>/smb-share:server=NAME,share=NAME/...
    static const QRegularExpression mount(QStringLiteral("^smb-share:server=([^,/]+),share=([^,/]+)$"));
    if (isInside(path, gvfsRoot_)) {
        const QString inside = path.mid(QDir::cleanPath(gvfsRoot_).size() + 1);
        const QString first = inside.section('/', 0, 0);
        const auto m = mount.match(first);
        if (m.hasMatch()) {
            const QString share = "\\\\" + m.captured(1) + "\\" + m.captured(2);
            const QString logical = below(share, gvfsRoot_ + "/" + first);
            if (!logical.isEmpty()) return logical;
        }
    }
    return native;
}

} // namespace app
