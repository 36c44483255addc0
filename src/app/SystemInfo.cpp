#include "app/SystemInfo.h"

#include "app/General.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSysInfo>

namespace app {

LinuxSystemInfo::LinuxSystemInfo(QString dataFolder) : folder_(std::move(dataFolder)) {
    // It holds the temporary scans, the embedded database and the demo share: the user's alone.
    makePrivateFolder(folder_);
}

QString SystemInfo::computerName() const { return QSysInfo::machineHostName(); }

int LinuxSystemInfo::colorDepth() const {
    if (auto* screen = QGuiApplication::primaryScreen()) return screen->depth();
    return 24;
}

} // namespace app
