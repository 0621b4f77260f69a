// Times the real window's work, headless on Qt's offscreen platform with the
// real system layer:
//   run  --port P [--runs N] [--address A]  Button1Click against a device at A:P
//   scan [--runs N]                         the interface scan (Timer1Timer)
// Each timing ends once the window has drawn the result. Prints one line of
// JSON with the figures in milliseconds.
#include <QApplication>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "IPHelper.h"
#include "Unit1.h"
#include "bench_support.h"
#include "dotted_decimal.h"
#include "vcl.h"

namespace {

constexpr int kWarmUp = 3;  // first runs open the ICMP socket, load fonts, ...

const char* LampName(const TALed& lamp) {
    if (!lamp.Value()) return "off";
    return lamp.TrueColor() == clRed ? "red" : "green";
}

void Print(const char* mode, int runs, const Figures& f, const std::string& extra) {
    std::printf(
        "{\"mode\":\"%s\",\"runs\":%d,\"median_ms\":%.3f,\"max_ms\":%.3f,\"min_ms\":%.3f,"
        "\"mean_ms\":%.3f%s}\n",
        mode, runs, f.median, f.worst, f.best, f.mean, extra.c_str());
}

int Run(TForm1& form, int runs, int port, const std::string& address) {
    // Loopback only: the benchmark never sends anywhere else.
    const auto parsed = os::ParseDottedDecimal(address);
    unsigned char first = 0;
    if (parsed) std::memcpy(&first, &*parsed, 1);  // network order: the first group
    if (first != 127) {
        std::fprintf(stderr, "run_bench: %s is not a loopback address\n", address.c_str());
        return 2;
    }
    form.IdUDPClient80.SetPort(port);
    form.Edit1.SetText(address);
    std::vector<double> times;
    for (int i = -kWarmUp; i < runs; ++i) {
        const long long start = NowNs();
        form.Button1.Click();
        QCoreApplication::processEvents();  // the deferred paints of the run
        if (i >= 0) times.push_back(MillisecondsSince(start));
    }
    const std::string lamps = std::string(",\"ping\":\"") + LampName(form.ALed4) +
                              "\",\"controller\":\"" + LampName(form.ALed5) + "\"";
    Print("run", runs, Summarise(times), lamps);
    return 0;
}

int Scan(TForm1& form, int runs) {
    std::vector<double> scans;
    std::vector<double> tables;
    TStringList lines;
    for (int i = -kWarmUp; i < runs; ++i) {
        long long start = NowNs();
        form.Timer1Timer();
        QCoreApplication::processEvents();
        if (i >= 0) scans.push_back(MillisecondsSince(start));
        // The table read alone, to tell the system's part from the window's.
        start = NowNs();
        ListIpAddrTable(&lines);
        if (i >= 0) tables.push_back(MillisecondsSince(start));
    }
    const Figures table = Summarise(tables);
    char extra[160];
    std::snprintf(extra, sizeof extra,
                  ",\"addresses\":%d,\"blinking\":%s,\"table_median_ms\":%.3f,"
                  "\"table_max_ms\":%.3f",
                  lines.Count(), form.ALed6.Blinking() ? "true" : "false", table.median,
                  table.worst);
    Print("scan", runs, Summarise(scans), extra);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: run_bench run --port P [--runs N] | scan [--runs N]\n");
        return 2;
    }
    const std::string mode = argv[1];
    try {
        BenchWindow window(argc, argv);
        TForm1& form = window.form;
        const int runs = std::stoi(Option(argc, argv, "--runs", "200"));
        if (mode == "run")
            return Run(form, runs, std::stoi(Option(argc, argv, "--port", "0")),
                       Option(argc, argv, "--address", "127.0.0.1"));
        if (mode == "scan") return Scan(form, runs);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "run_bench: %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "run_bench: unknown mode %s\n", mode.c_str());
    return 2;
}
