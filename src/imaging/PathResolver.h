#pragma once
// The engine keeps the paths it is given exactly as given (the program uses logical paths with
// backslashes and share roots). Every file access converts them to native paths through the
// one resolver installed by the program; the default leaves a path unchanged.
#include <QString>
#include <functional>

namespace imaging {

using PathResolver = std::function<QString(const QString& logicalPath)>;

// Installs the resolver used by every file access of the engine (not thread-safe: install
// it once at start-up, before any document is opened).
void setPathResolver(PathResolver resolver);

// Native path for a path given to the engine.
QString nativePath(const QString& path);

} // namespace imaging
