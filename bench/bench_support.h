// What the benchmark programs share: the real window on the screen, timing
// figures and the process's own resources.
#pragma once

#include <string>
#include <vector>

#include <QApplication>

#include "Unit1.h"

class QWidget;
class TForm;

// The form's top-level window, once it is exposed (waits up to 5 s).
QWidget* ShowAndWait(TForm& form);

// The real window as the program sets it up, shown and exposed. The Qt
// application is ours, so it goes after the form and before main returns.
struct BenchWindow {
    BenchWindow(int& argc, char** argv);
    QApplication qt;
    bool initialised;  // the application object, before the form exists
    TForm1 form;
};

struct Figures {
    double median = 0;
    double worst = 0;
    double best = 0;
    double mean = 0;
};
Figures Summarise(std::vector<double> values);

// Resident memory (VmRSS) in KiB and the number of open descriptors.
long ResidentKiB();
int OpenDescriptors();

double MillisecondsSince(long long startNs);
long long NowNs();

// "--name value" from the command line, or the fallback.
std::string Option(int argc, char** argv, const std::string& name, const std::string& fallback);
