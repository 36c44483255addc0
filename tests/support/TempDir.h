#pragma once
// A scratch folder that exists for the lifetime of one test.
#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class TempDir {
public:
    TempDir() : dir_(QDir::tempPath() + "/docuvane-test-XXXXXX") {}
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    bool isValid() const { return dir_.isValid(); }

private:
    QTemporaryDir dir_;
};

// Folder of the source tree (fixtures, scanner configuration), set by ctest.
inline QString sourceDir() { return qEnvironmentVariable("DOCUVANE_SOURCE_DIR"); }

} // namespace testsupport
