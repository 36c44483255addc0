#include "imaging/PathResolver.h"

namespace imaging {

namespace {
PathResolver& resolver() {
    static PathResolver r;
    return r;
}
} // namespace

void setPathResolver(PathResolver r) {
    resolver() = std::move(r);
}

QString nativePath(const QString& path) {
    const auto& r = resolver();
    return r ? r(path) : path;
}

} // namespace imaging
