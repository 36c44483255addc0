#pragma once
// Helpers of the thumbnail benchmarks: a main() with a QApplication (the strip is a widget),
// waiting for a signal, and the process's resident memory.
#include "support/QtBenchmarkMain.h"
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace thumbsbench {

// Runs the event loop until `signal` of `sender` fires (true) or `timeoutMs` pass (false).
template <class Sender, class Signal>
bool waitFor(Sender* sender, Signal signal, int timeoutMs = 60000) {
    QEventLoop loop;
    bool fired = false;
    auto c = QObject::connect(sender, signal, &loop, [&] {
        fired = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(c);
    return fired;
}

// VmRSS of this process in MiB, from /proc/self/status.
inline double residentMiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

inline int run(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }

} // namespace thumbsbench
