#pragma once
// The main window's preferences in the settings store, read at load and written at unload.
#include <QString>
#include <optional>

namespace app {
class SettingsStore;
}

namespace viewer {

// Main window bounds in twips (1/1440 inch), as stored.
struct WindowBounds {
    float left = 0, top = 0, width = 0, height = 0;
};

struct Preferences {
    QString zoom = QStringLiteral("50");
    bool scrollbars = true;
    QString defaultDirectory;
    int viewMode = 0;
    bool showScanSetupBeforeScan = false;
    // Nothing: the window keeps its design size and is centred.
    std::optional<WindowBounds> position;
};

// The storage root used when none is configured: the share "recfiles" on the hospital's
// default file server.
inline const QString kDefaultStorageShare = QStringLiteral("\\\\records-fs\\recfiles");

// Reads every preference; missing or empty texts give the defaults, and a view mode or a
// window coordinate that is not a number falls back to its default instead of stopping.
Preferences readPreferences(const app::SettingsStore& store);

// Writes the preferences; the window position only when the window is not minimized.
void writePreferences(app::SettingsStore& store, const Preferences& p, bool minimized,
                      const WindowBounds& current);

} // namespace viewer
