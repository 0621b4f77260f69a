// Start-up to the window on the screen. Without arguments it starts itself
// --runs times as a new process and prints one line of JSON: the time from
// the fork to the window being exposed and drawn, the part of it from main()
// on, and the resident memory at that moment. The child goes the program's
// own way (LinkwartMain) and ends at once when the window is shown.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "vcl.h"

namespace {

long long g_mainEntered = 0;
long long g_launched = 0;

// Ends the process once the first window is exposed and its paint is done.
class ShownWatcher : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !armed_) {
            if (auto* window = qobject_cast<QWindow*>(watched); window && window->isExposed()) {
                armed_ = true;
                // After the expose has been handled, so the window is drawn.
                QTimer::singleShot(0, [] {
                    const long long now = NowNs();
                    std::printf("%lld %lld %ld\n", now - g_launched, now - g_mainEntered,
                                ResidentKiB());
                    std::fflush(stdout);
                    std::_Exit(0);
                });
            }
        }
        return false;
    }

  private:
    bool armed_ = false;
};

int Child(int argc, char** argv) {
    g_launched = std::atoll(argv[2]);
    if (g_launched == 0) g_launched = g_mainEntered;
    SetCommandLine(argc, argv);
    // LinkwartMain takes the application object that exists already.
    QApplication application(argc, argv);
    ShownWatcher watcher;
    application.installEventFilter(&watcher);
    return LinkwartMain();
}

int Parent(const char* self, int runs) {
    std::vector<double> launch;
    std::vector<double> main;
    long rss = 0;
    for (int i = -2; i < runs; ++i) {  // two warm-up starts fill the caches
        int out[2];
        if (::pipe(out) != 0) return 1;
        const long long forked = NowNs();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            const std::string start = std::to_string(forked);
            ::execl(self, self, "--child", start.c_str(), static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        ::close(out[1]);
        char line[128] = {};
        const ssize_t got = ::read(out[0], line, sizeof line - 1);
        ::close(out[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        long long toShown = 0;
        long long fromMain = 0;
        long kib = 0;
        if (got <= 0 || std::sscanf(line, "%lld %lld %ld", &toShown, &fromMain, &kib) != 3) {
            std::fprintf(stderr, "startup_bench: the child did not report (status %d)\n", status);
            return 1;
        }
        if (i < 0) continue;
        launch.push_back(static_cast<double>(toShown) / 1e6);
        main.push_back(static_cast<double>(fromMain) / 1e6);
        rss = kib;
    }
    const Figures l = Summarise(launch);
    const Figures m = Summarise(main);
    std::printf(
        "{\"mode\":\"startup\",\"runs\":%d,\"median_ms\":%.3f,\"max_ms\":%.3f,\"min_ms\":%.3f,"
        "\"main_median_ms\":%.3f,\"main_max_ms\":%.3f,\"rss_kib\":%ld}\n",
        runs, l.median, l.worst, l.best, m.median, m.worst, rss);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    g_mainEntered = NowNs();
    if (argc >= 3 && std::string(argv[1]) == "--child") return Child(argc, argv);
    return Parent("/proc/self/exe", std::stoi(Option(argc, argv, "--runs", "30")));
}
