#include "viewer/Preferences.h"

#include "app/Settings.h"

namespace viewer {

using app::kAppPrefs;

namespace {
const QString kGeneral = QStringLiteral("General Preferences");
const QString kUser = QStringLiteral("User Preferences");
const QString kWindow = QStringLiteral("Window Position");

// A preference text, or nothing when it is missing or empty.
std::optional<QString> stored(const app::SettingsStore& s, const QString& section,
                              const QString& key) {
    const QString v = s.read(kAppPrefs, section, key, QString());
    if (v.isEmpty()) return std::nullopt;
    return v;
}

std::optional<float> number(const app::SettingsStore& s, const QString& key) {
    const auto v = stored(s, kWindow, key);
    if (!v) return std::nullopt;
    bool ok = false;
    const float f = v->trimmed().toFloat(&ok);
    return ok ? std::optional<float>(f) : std::nullopt;
}
} // namespace

Preferences readPreferences(const app::SettingsStore& s) {
    Preferences p;
    if (auto v = stored(s, kGeneral, "Zoom")) p.zoom = *v;
    if (auto v = stored(s, kGeneral, "Scrollbars")) p.scrollbars = app::parseBool(*v, true);
    p.defaultDirectory = stored(s, kGeneral, "Default Directory").value_or(kDefaultStorageShare);
    if (auto v = stored(s, kUser, "View Mode")) {
        bool ok = false;
        const int mode = v->trimmed().toInt(&ok);
        p.viewMode = (ok && mode >= -32768 && mode <= 32767) ? mode : 0;
    }
    p.showScanSetupBeforeScan =
        app::parseBool(s.read(kAppPrefs, kUser, "ShowScanSetupbeforeScan", "False"), false);
    // Without "Left" the other three keys are not read.
    if (auto left = number(s, "Left")) {
        auto top = number(s, "Top"), width = number(s, "Width"), height = number(s, "Height");
        if (top && width && height && *width > 0 && *height > 0)
            p.position = WindowBounds{*left, *top, *width, *height};
    }
    return p;
}

void writePreferences(app::SettingsStore& s, const Preferences& p, bool minimized,
                      const WindowBounds& current) {
    s.write(kAppPrefs, kGeneral, "Zoom", p.zoom);
    s.write(kAppPrefs, kGeneral, "Scrollbars", app::boolText(p.scrollbars));
    s.write(kAppPrefs, kGeneral, "Default Directory", p.defaultDirectory);
    s.write(kAppPrefs, kUser, "View Mode", QString::number(p.viewMode));
    s.write(kAppPrefs, kUser, "ShowScanSetupbeforeScan", app::boolText(p.showScanSetupBeforeScan));
    if (minimized) return;
    s.write(kAppPrefs, kWindow, "Left", QString::number(current.left));
    s.write(kAppPrefs, kWindow, "Top", QString::number(current.top));
    s.write(kAppPrefs, kWindow, "Width", QString::number(current.width));
    s.write(kAppPrefs, kWindow, "Height", QString::number(current.height));
}

} // namespace viewer
