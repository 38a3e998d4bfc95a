// Start-up of the programs as a user meets it, measured from outside:
//   window: from fork to the first painted main window (the program's
//           --startup-probe line), and the window's resident memory then;
//   omi-cli --version and --imitation identify: wall time and peak resident
//           memory, side by side with a bare QCoreApplication program (the
//           floor of a Qt program's start) and their ratios to it.
// The window needs a display (scripts/bench runs it under Xvfb); without
// one only the command-line figures are printed.
//
//   startup [RUNS]

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double worst(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

struct Run {
    bool ok = false;
    double firstLineMs = 0;  // time to the probe line (window) or to exit (cli)
    double wallMs = 0;
    long maxRssKb = 0;
    std::string out;
};

// Runs argv with stdout on a pipe; firstLine: stop the clock at the first
// line starting with this text.
Run run(const std::vector<std::string>& args, const char* firstLine) {
    Run r;
    int fd[2];
    if (pipe(fd) != 0) return r;
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fd[1], 1);
        close(fd[0]);
        close(fd[1]);
        const int null = ::open("/dev/null", 1);
        if (null >= 0) dup2(null, 2);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fd[1]);
    char buf[4096];
    ssize_t n;
    while ((n = read(fd[0], buf, sizeof buf)) > 0) {
        r.out.append(buf, static_cast<size_t>(n));
        if (firstLine && r.firstLineMs == 0 && r.out.find(firstLine) != std::string::npos)
            r.firstLineMs = ms(Clock::now() - start);
    }
    close(fd[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.wallMs = ms(Clock::now() - start);
    if (!firstLine) r.firstLineMs = r.wallMs;
    r.maxRssKb = usage.ru_maxrss;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

long field(const std::string& out, const char* key) {
    const size_t at = out.find(key);
    return at == std::string::npos ? -1 : std::atol(out.c_str() + at + std::strlen(key));
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    // OMI_BENCH_CLI_BEFORE: another omi-cli (an earlier build) measured in
    // the same rounds, for a before / after comparison on one machine state.
    const char* before = std::getenv("OMI_BENCH_CLI_BEFORE");

    // The commands run round-robin, so that a change of the machine's load
    // falls on all of them alike; the figures are medians.
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::vector<double> ms, rss;
    };
    std::vector<Case> cases = {
        {"bare qt", {OMI_BARE_PATH}, {}, {}},
        {"cli version", {OMI_CLI_PATH, "--version"}, {}, {}},
        {"cli identify", {OMI_CLI_PATH, "--imitation", "identify"}, {}, {}},
    };
    if (before && *before) {
        cases.push_back({"before cli version", {before, "--version"}, {}, {}});
        cases.push_back({"before cli identify", {before, "--imitation", "identify"}, {}, {}});
    }
    for (Case& c : cases) run(c.args, nullptr);  // warm the cache
    for (int i = 0; i < runs; ++i) {
        for (Case& c : cases) {
            const Run r = run(c.args, nullptr);
            if (!r.ok) {
                std::printf("%s failed\n", c.name);
                return 1;
            }
            c.ms.push_back(r.wallMs);
            c.rss.push_back(static_cast<double>(r.maxRssKb) / 1024.0);
        }
    }
    const double bare = median(cases[0].ms);
    for (const Case& c : cases) {
        std::printf("%s wall median %.1f ms worst %.1f ms\n", c.name, median(c.ms), worst(c.ms));
        std::printf("%s peak rss median %.1f MB\n", c.name, median(c.rss));
        if (&c != &cases[0]) std::printf("%s / bare qt median %.2f\n", c.name, median(c.ms) / bare);
    }

    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::printf("window: no display, not measured\n");
        return 0;
    }
    // OMI_BENCH_WINDOW_BEFORE: an earlier build of the window, in the same rounds.
    struct Window {
        const char* name;
        std::string path;
        std::vector<double> paintMs, innerMs, rss;
    };
    std::vector<Window> windows = {{"window", OMI_WINDOW_PATH, {}, {}, {}}};
    if (const char* w = std::getenv("OMI_BENCH_WINDOW_BEFORE"); w && *w)
        windows.push_back({"before window", w, {}, {}, {}});
    for (Window& w : windows) run({w.path, "--startup-probe"}, "first-paint-ms");  // warm the cache
    for (int i = 0; i < runs; ++i) {
        for (Window& w : windows) {
            const Run r = run({w.path, "--startup-probe"}, "first-paint-ms");
            if (r.firstLineMs == 0) {
                std::printf("%s start failed\n", w.name);
                return 1;
            }
            w.paintMs.push_back(r.firstLineMs);
            w.innerMs.push_back(static_cast<double>(field(r.out, "first-paint-ms ")));
            w.rss.push_back(static_cast<double>(field(r.out, "rss-kb ")) / 1024.0);
        }
    }
    for (const Window& w : windows) {
        std::printf("%s first paint from fork median %.1f ms worst %.1f ms\n", w.name, median(w.paintMs),
                    worst(w.paintMs));
        std::printf("%s first paint from main() median %.1f ms\n", w.name, median(w.innerMs));
        std::printf("%s rss after start median %.1f MB\n", w.name, median(w.rss));
    }
    return 0;
}
