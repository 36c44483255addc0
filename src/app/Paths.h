#pragma once
// Logical paths and native paths.
//
// The program builds and stores paths in their Windows form: backslashes, share roots such as
// "\\server\recfiles" and drive paths such as "C:\import". Other workstations and the
// database rely on that form, so it is kept wherever paths are built, compared or stored.
// PathMapper::toNative is the one place that turns such a path into a path of this machine's
// file system, at the moment a file or folder is touched.
#include <QString>
#include <QStringList>

namespace app {

class SettingsStore;

class PathMapper {
public:
    // `settings` holds the configured folders (application "TALVOR Docuvane", section
    // "Shares": key "\\server\share" or a drive such as "C:", value a native folder).
    // `home` is the folder drive paths fall back to; `gvfsRoot` the folder where the desktop
    // mounts network shares (`gio mount`).
    PathMapper(const SettingsStore* settings, QString home, QString gvfsRoot);

    // Native path for a logical one. A native path (beginning with "/") only has its
    // backslashes turned into "/". "." and ".." segments are resolved without ever leaving
    // the mapped root of a share or drive.
    QString toNative(const QString& logical) const;

    // The logical form of native path `native`: the first of `roots` (logical share, drive
    // or folder paths such as "\\server\share" or "C:\") whose native folder holds it gives
    // that root followed by the rest in Windows form; then a share mounted by the desktop
    // (gvfs) gives "\\server\share\..."; any other path is kept as it is (a native path is
    // a valid logical one).
    QString toLogical(const QString& native, const QStringList& roots) const;

    // Folder a share is mapped to ("\\server\share", case-insensitive).
    QString shareFolder(const QString& server, const QString& share) const;

    // The default gvfs location for this user.
    static QString defaultGvfsRoot();

private:
    const SettingsStore* settings_;
    QString home_;
    QString gvfsRoot_;
};

// Joins `root` with the relative segments of `rest` (separated by "\" or "/"), resolving
// "." and ".." without going above `root`.
QString joinBounded(const QString& root, const QString& rest);

// True when native path `path` is `root` or lies below it (both normalised, no symlinks
// followed).
bool isInside(const QString& path, const QString& root);

} // namespace app
