#pragma once
// main() of a benchmark that needs a QApplication (widgets, the offscreen platform when no
// display is set).
#include <QApplication>
#include <benchmark/benchmark.h>

namespace benchsupport {

inline int runQtBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace benchsupport
