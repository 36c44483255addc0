#pragma once
// Operating-system facts as a test sets them.
#include "app/SystemInfo.h"

namespace doubles {

class FakeSystemInfo : public app::SystemInfo {
public:
    int platformId() const override { return platform; }
    QString windowsFolder() const override { return folder; }
    int colorDepth() const override { return depth; }
    QString computerName() const override { return computer; }
    int platform = 2;
    QString folder;
    int depth = 24;
    QString computer = QStringLiteral("WARD-PC-1");
};

} // namespace doubles
