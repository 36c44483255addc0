#pragma once
// The scanner backend over the SANE library. SANE is initialised once per process, at the
// first device list or open (not at construction), and shut down when the process exits;
// devices still open then are closed by SANE. Only local devices are listed (no network
// probing). Which backends load is decided by SANE's configuration (dll.conf in
// SANE_CONFIG_DIR or /etc/sane.d), read once at that first use: changing SANE_CONFIG_DIR
// later has no effect in the same process.
#include "imaging/scanning/ScannerBackend.h"

namespace imaging {

class SaneScanner : public ScannerBackend {
public:
    SaneScanner();
    std::vector<ScanDeviceInfo> devices() override;
    std::unique_ptr<ScannerDevice> open(const QString& name) override;

    // False when sane_init failed (there are then no devices).
    static bool available();
};

} // namespace imaging
