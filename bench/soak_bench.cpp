// Many runs in one process against a device on loopback, watching open
// descriptors and resident memory:
//   soak_bench --port P --mode answering|short|flood [--runs N]
//       the whole run (Button1Click) on the real window, N times;
//   soak_bench --port P --mode silent [--runs N] [--wait MS]
//       the controller query alone with a short wait, since a whole run
//       against a silent device waits a second each time.
// Prints one line of JSON: the figures at the start (after a warm-up of 100
// runs), every tenth of the way and at the end, and the controller lamp's
// verdicts.
#include <QApplication>

#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "Controller.h"
#include "Unit1.h"
#include "bench_support.h"
#include "vcl.h"

namespace {

constexpr int kWarmUp = 100;

const char* LampName(const TALed& lamp) {
    if (!lamp.Value()) return "off";
    return lamp.TrueColor() == clRed ? "red" : "green";
}

struct Sample {
    int run;
    int descriptors;
    long residentKiB;
};

std::string Json(const std::vector<Sample>& samples) {
    std::string text = "[";
    for (const Sample& s : samples) {
        char item[64];
        std::snprintf(item, sizeof item, "%s[%d,%d,%ld]", text.size() > 1 ? "," : "", s.run,
                      s.descriptors, s.residentKiB);
        text += item;
    }
    return text + "]";
}

}  // namespace

int main(int argc, char** argv) {
    try {
        BenchWindow window(argc, argv);
        TForm1& form = window.form;

        const std::string mode = Option(argc, argv, "--mode", "answering");
        const int runs = std::stoi(Option(argc, argv, "--runs", "10000"));
        const int waitMs = std::stoi(Option(argc, argv, "--wait", "2"));
        form.IdUDPClient80.SetPort(std::stoi(Option(argc, argv, "--port", "0")));
        form.Edit1.SetText("127.0.0.1");

        const auto one = [&] {
            if (mode == "silent") {
                form.ResetIndicators();
                form.IdUDPClient80.SetActive(true);
                QueryController(form.IdUDPClient80, form.ALed5, form.Edit1.Text(), waitMs);
                form.IdUDPClient80.SetActive(false);
            } else {
                form.Button1.Click();
            }
            QCoreApplication::processEvents();
        };

        const Sample before{0, OpenDescriptors(), ResidentKiB()};
        for (int i = 0; i < kWarmUp; ++i) one();
        std::vector<Sample> samples{{0, OpenDescriptors(), ResidentKiB()}};
        std::map<std::string, int> verdicts;
        const long long start = NowNs();
        for (int run = 1; run <= runs; ++run) {
            one();
            ++verdicts[LampName(form.ALed5)];
            if (run % (runs / 10 > 0 ? runs / 10 : 1) == 0 || run == runs)
                samples.push_back({run, OpenDescriptors(), ResidentKiB()});
        }
        const double seconds = MillisecondsSince(start) / 1000;

        std::string tally;
        for (const auto& [name, count] : verdicts) {
            char item[64];
            std::snprintf(item, sizeof item, "%s\"%s\":%d", tally.empty() ? "" : ",", name.c_str(),
                          count);
            tally += item;
        }
        std::printf(
            "{\"mode\":\"%s\",\"runs\":%d,\"seconds\":%.1f,\"fd_before\":%d,\"rss_before_kib\":%ld,"
            "\"fd_start\":%d,\"rss_start_kib\":%ld,\"fd_end\":%d,\"rss_end_kib\":%ld,"
            "\"controller\":{%s},\"samples\":%s}\n",
            mode.c_str(), runs, seconds, before.descriptors, before.residentKiB,
            samples.front().descriptors, samples.front().residentKiB, samples.back().descriptors,
            samples.back().residentKiB, tally.c_str(), Json(samples).c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "soak_bench: %s\n", error.what());
        return 1;
    }
}
