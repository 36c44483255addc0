#pragma once
// Reading a TIFF with libtiff's own tool, a reader independent of the program's.
#include <QProcess>
#include <QString>

namespace testsupport {

// Pages of a TIFF file as `tiffinfo` counts them; -1 when the tool refuses the file or
// reports a fault in it.
inline int tiffinfoPages(const QString& file) {
    QProcess p;
    p.start("tiffinfo", {file});
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return -1;
    if (!p.readAllStandardError().trimmed().isEmpty()) return -1;
    return int(QString::fromLocal8Bit(p.readAllStandardOutput()).count("TIFF Directory at offset"));
}

} // namespace testsupport
