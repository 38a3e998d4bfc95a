// omi-cli against the floor of the line: the whole omi-cli process reading a
// daily archive range through omi-sim on a paced pseudo-terminal, and a
// replay client that sends the very requests omi-cli sent (omi-sim's request
// log), each the moment the previous answer is complete, on the same line.
// The replay does nothing but wait for bytes, so its time is what the line
// and the simulated device take: no client can be faster.
//
//   archive_floor [RUNS] [BAUD] [DAYS] [TYPE...]   (5, 9600, 30, every family with archives)
//
// Prints per family the medians of RUNS alternating runs and the ratio
// omi-cli / floor. OMI_BENCH_CLI_BEFORE: another omi-cli (an earlier build)
// run in the same rounds, its ratio printed too.

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The whole process: fork to exit, output discarded. Negative when it failed.
double runProcess(const std::vector<std::string>& args) {
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double elapsed = ms(Clock::now() - start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1;
}

// omi-sim's log from a position on: one request a line, its bytes as
// decimal numbers (omi-sim keeps the file open and appends).
std::vector<QByteArray> readRequests(const QString& path, qint64 from) {
    std::vector<QByteArray> requests;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(from)) return requests;
    while (!f.atEnd()) {
        const QList<QByteArray> numbers = f.readLine().simplified().split(' ');
        QByteArray request;
        for (const QByteArray& n : numbers)
            if (!n.isEmpty()) request.append(static_cast<char>(n.toInt()));
        if (!request.isEmpty()) requests.push_back(request);
    }
    return requests;
}

// Reads one answer frame: its first byte is its length (0 = 256). False when
// the line stays silent for timeoutMs.
bool readAnswer(int fd, int timeoutMs) {
    unsigned char buf[512];
    int want = -1, have = 0;
    while (want < 0 || have < want) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return false;
        const ssize_t n = ::read(fd, buf, want < 0 ? 1 : std::min<int>(want - have, sizeof buf));
        if (n <= 0) return false;
        if (want < 0) want = buf[0] == 0 ? 256 : buf[0];
        have += static_cast<int>(n);
    }
    return true;
}

// The floor: the requests replayed on the port, each sent the moment the
// answer to the previous one is complete. A request that had no answer for
// omi-cli (a broadcast the device ignores) waits out the silence of a
// second, as omi-cli did; those are counted apart. Negative on failure.
double replay(const QString& pty, int baud, const std::vector<QByteArray>& requests, int* silent) {
    const int fd = ::open(pty.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0) return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    const speed_t speed = baud == 9600 ? B9600 : baud == 19200 ? B19200 : baud == 115200 ? B115200 : B9600;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIOFLUSH);
    *silent = 0;
    const auto start = Clock::now();
    for (const QByteArray& request : requests) {
        if (::write(fd, request.constData(), static_cast<size_t>(request.size())) != request.size()) {
            ::close(fd);
            return -1;
        }
        if (!readAnswer(fd, 1000)) ++*silent;
    }
    const double elapsed = ms(Clock::now() - start);
    ::close(fd);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int baud = argc > 2 ? std::atoi(argv[2]) : 9600;
    const int days = argc > 3 ? std::atoi(argv[3]) : 30;
    std::vector<int> types;
    for (int i = 4; i < argc; ++i) types.push_back(std::atoi(argv[i]));
    if (types.empty()) types = {225, 227, 228, 229, 234};
    const char* cli = OMI_CLI_PATH;
    const char* before = std::getenv("OMI_BENCH_CLI_BEFORE");
    if (before && !*before) before = nullptr;

    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("requests.log"));
    const QDate today = QDate::currentDate();
    const std::string from = today.addDays(-days).toString(Qt::ISODate).toStdString();
    const std::string to = today.toString(Qt::ISODate).toStdString();
    std::printf("family  omi-cli median  floor median  ratio   requests (no answer)  runs\n");
    for (const int type : types) {
        QProcess sim;
        sim.start(QStringLiteral(OMI_SIM_PATH), {"--pty", "--type", QString::number(type), "--serial", "417", "--baud",
                                                 QString::number(baud), "--log", log});
        if (!sim.waitForStarted() || !sim.waitForReadyRead(5000)) {
            std::fprintf(stderr, "omi-sim did not start\n");
            return 1;
        }
        const QString pty = QString::fromUtf8(sim.readLine()).trimmed();
        const std::vector<std::string> args = {cli,
                                               "--port",
                                               pty.toStdString(),
                                               "--baud",
                                               std::to_string(baud),
                                               "--quiet",
                                               "archive",
                                               "daily",
                                               "--from",
                                               from,
                                               "--to",
                                               to,
                                               "--data-dir",
                                               dir.filePath("data").toStdString()};
        std::vector<std::string> beforeArgs = args;
        if (before) beforeArgs[0] = before;
        std::vector<double> cliMs, floorMs, beforeMs;
        std::size_t requests = 0;
        int silent = 0;
        for (int r = 0; r < runs; ++r) {
            if (before) {
                const double b = runProcess(beforeArgs);
                if (b < 0) {
                    std::fprintf(stderr, "type %d: the earlier omi-cli failed\n", type);
                    return 1;
                }
                beforeMs.push_back(b);
            }
            const qint64 logged = QFileInfo(log).size();
            const double c = runProcess(args);
            const std::vector<QByteArray> sent = readRequests(log, logged);
            const double f = replay(pty, baud, sent, &silent);
            if (c < 0 || f < 0 || sent.empty()) {
                std::fprintf(stderr, "type %d: omi-cli or the replay failed\n", type);
                return 1;
            }
            cliMs.push_back(c);
            floorMs.push_back(f);
            requests = sent.size();
        }
        sim.kill();
        sim.waitForFinished();
        const double c = median(cliMs), f = median(floorMs);
        std::printf("%-6d  %10.1f ms  %9.1f ms  %.4f  %8zu (%d)  %13d\n", type, c, f, c / f, requests, silent, runs);
        if (before) std::printf("before  %10.1f ms  %9.1f ms  %.4f\n", median(beforeMs), f, median(beforeMs) / f);
        std::fflush(stdout);
    }
    return 0;
}
