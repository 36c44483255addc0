#include "app/General.h"

#include "app/CurrentUser.h"
#include "app/Paths.h"
#include "app/Session.h"
#include "app/SystemInfo.h"
#include "db/Connection.h"
#include "records/Statements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace app {

bool FolderExists(const PathMapper& paths, const QString& path) {
    if (path.trimmed().isEmpty()) return false;
    const QFileInfo fi(paths.toNative(path));
    return fi.isDir() && QDir(fi.absoluteFilePath()).isReadable();
}

bool makePrivateFolder(const QString& nativeFolder) {
    if (!QDir().mkpath(nativeFolder)) return false;
    return QFile::setPermissions(nativeFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner);
}

QString GetToken(QString& text, const QString& delimiter) {
    const qsizetype p = delimiter.isEmpty() ? -1 : text.indexOf(delimiter, 0, Qt::CaseSensitive);
    if (p < 0) {
        const QString all = text;
        text.clear();
        return all;
    }
    const QString token = text.left(p);
    text = text.mid(p + delimiter.size());
    return token;
}

QString GetFileNameFromPath(const QString& path) {
    // Native paths of this machine separate with "/": both separators end a folder name.
    QString p = path;
    qsizetype i;
    while ((i = p.indexOf('\\')) >= 0 || (i = p.indexOf('/')) >= 0) p = p.mid(i + 1);
    return p.trimmed();
}

QString GetWindowsDir(const Session& s, bool addBackslash) {
    // The old platform answered in lower case, harmless on a case-insensitive file system.
    // Here the folder is a native path, so its case is kept: lowering it would name a folder
    // that does not exist.
    QString dir = s.svc.system->windowsFolder();
    const bool ends = dir.endsWith('\\');
    if (addBackslash && !ends) dir += '\\';
    if (!addBackslash && ends) dir.chop(1);
    return dir;
}

QString GetEmployeeFullName(Session& s, const QString& employeeId) {
    if (employeeId.isEmpty()) return {};
    auto rs = recordsConnection(s).open(records::selectEmployeeFullName(employeeId),
                                                       db::CursorOptions{2, 0, 1, -1});
    if (rs->eof()) return {};
    return rs->text("FullName").trimmed();
}

} // namespace app
