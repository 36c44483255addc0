#pragma once
// Facts about the operating system the program asks for at start-up.
#include <QString>

namespace app {

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // Platform id of the operating-system version record: 2 is the NT family (Save As then
    // offers two file types). Linux reports 2.
    virtual int platformId() const = 0;
    // The "Windows folder": here the program's per-user data folder (native path, existing).
    virtual QString windowsFolder() const = 0;
    // Bits per pixel of the screen.
    virtual int colorDepth() const = 0;
    // This workstation's name (the host name), shown to other workstations as the holder of
    // a record's edit lock.
    virtual QString computerName() const;
};

class LinuxSystemInfo : public SystemInfo {
public:
    // `dataFolder` is created when missing and made the user's alone (0700).
    explicit LinuxSystemInfo(QString dataFolder);
    int platformId() const override { return 2; }
    QString windowsFolder() const override { return folder_; }
    int colorDepth() const override;

private:
    QString folder_;
};

} // namespace app
