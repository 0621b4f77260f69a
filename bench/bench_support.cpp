#include "bench_support.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <stdexcept>

#include "vcl.h"

QWidget* ShowAndWait(TForm& form) {
    form.Show();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle().toStdString() != form.Caption()) continue;
        if (!QTest::qWaitForWindowExposed(widget, 5000)) break;
        return widget;
    }
    throw std::runtime_error("the window was not shown");
}

namespace {
// As the program's own main does it: initialise, then the title.
bool InitialiseApplication() {
    TApplication& application = TApplication::Instance();
    application.Initialize();
    application.SetTitle("Linkwart");
    return true;
}
}  // namespace

BenchWindow::BenchWindow(int& argc, char** argv)
    : qt((SetCommandLine(argc, argv), argc), argv), initialised(InitialiseApplication()) {
    ShowAndWait(form);
}

Figures Summarise(std::vector<double> values) {
    Figures figures;
    if (values.empty()) return figures;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    figures.median = n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    figures.worst = values.back();
    figures.best = values.front();
    figures.mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(n);
    return figures;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count - 1;  // the iterator's own
}

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double MillisecondsSince(long long startNs) {
    return static_cast<double>(NowNs() - startNs) / 1e6;
}

std::string Option(int argc, char** argv, const std::string& name, const std::string& fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == name) return argv[i + 1];
    return fallback;
}
