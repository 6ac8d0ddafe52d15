#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <functional>

// The main of a benchmark that needs a Qt application object: App is QCoreApplication, or
// QApplication (then offscreen unless QT_QPA_PLATFORM names another platform). An unknown
// argument is an error, status 1. beforeAppGoes releases what must go before the application
// object does (windows kept between benchmarks).
template<typename App>
int RunBenchmarks(int argc, char** argv, const std::function<void()>& beforeAppGoes = {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (beforeAppGoes)
        beforeAppGoes();
    return 0;
}
