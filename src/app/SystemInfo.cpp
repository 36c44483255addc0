#include "app/SystemInfo.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>

namespace app {

LinuxSystemInfo::LinuxSystemInfo(QString dataFolder) : folder_(std::move(dataFolder)) {
    QDir().mkpath(folder_);
}

int LinuxSystemInfo::colorDepth() const {
    if (auto* screen = QGuiApplication::primaryScreen()) return screen->depth();
    return 24;
}

} // namespace app
