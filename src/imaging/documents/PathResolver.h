#pragma once
// The engine keeps the paths it is given exactly as given (the program uses logical paths with
// backslashes and share roots). Every file access converts them to native paths through the
// resolver of the control's environment (Environment.h), handed down to the documents and
// page operations it opens; an empty resolver leaves a path unchanged.
#include <QString>
#include <functional>

namespace imaging {

using PathResolver = std::function<QString(const QString& logicalPath)>;

// Native path for `path` through `resolver` (the path itself when the resolver is empty).
inline QString resolvePath(const PathResolver& resolver, const QString& path) {
    return resolver ? resolver(path) : path;
}

} // namespace imaging
