#include "CollectCommand.h"
#include "SerialSetup.h"

#include "archives/ArchiveFamily.h"
#include "connection/Connection.h"
#include "archives/ArchiveRange.h"
#include "archives/ArchiveReader.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "store/ArchiveStore.h"
#include "store/MeterCollection.h"
#include "store/MeterList.h"
#include "store/StoreFindings.h"
#include "support/Dates.h"
#include "transport/CommPortDriver.h"
#include "transport/Modem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <memory>

#ifndef _WIN32
#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif


namespace omi::cli {

namespace {

constexpr int kDialTimeoutMs = 60000;
// How long a store whose connection was lost is tried again before the
// collection stops.
constexpr int kReconnectMs = 15000;

// ---- SIGINT and SIGTERM ----

// The handler only notes the signal and writes its number into a pipe; the
// event loop reads the pipe and ends the collection in order.
volatile std::sig_atomic_t g_stopSignal = 0;
#ifndef _WIN32
int g_signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int signo) {
    g_stopSignal = signo;
    const int saved = errno;
    const char byte = char(signo);
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}
#endif

QString signalName(int signo) {
    return signo == SIGINT    ? QStringLiteral("SIGINT")
           : signo == SIGTERM ? QStringLiteral("SIGTERM")
                              : QString::number(signo);
}

// SIGINT and SIGTERM are caught while the object lives.
class StopSignals {
public:
    StopSignals() {
#ifndef _WIN32
        if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
        installed_ = true;
#endif
    }
    ~StopSignals() {
#ifndef _WIN32
        if (!installed_) return;
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
        ::close(g_signalPipe[0]);
        ::close(g_signalPipe[1]);
        g_signalPipe[0] = g_signalPipe[1] = -1;
#endif
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    // The read end of the pipe, -1 without one.
    int Fd() const { return installed_ ? g_signalPipe[0] : -1; }
    // Empties the pipe; the signal caught, 0 if none.
    int Take() const {
#ifndef _WIN32
        char bytes[16];
        while (installed_ && ::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
#endif
        return g_stopSignal;
    }

private:
    bool installed_ = false;
#ifndef _WIN32
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
#endif
};

QString archiveWord(StoredArchive a) { return a == StoredArchive::Daily ? QStringLiteral("суточный") : QStringLiteral("часовой"); }

StoredArchive archiveOf(const QString& name) {
    return name == QLatin1String("hourly") ? StoredArchive::Hourly : StoredArchive::Daily;
}

QJsonObject meterToJson(const Meter& m) {
    return QJsonObject{{"line", m.lineNumber}, {"name", m.name},         {"port", m.port},
                       {"baud", m.baud},       {"dataBits", m.dataBits}, {"parity", QString(m.parity)},
                       {"stopBits", m.stopBits}, {"udpHost", m.udpHost}, {"udpPort", m.udpPort},
                       {"dial", m.dial},       {"serial", m.serial},     {"type", m.type},
                       {"daily", m.daily},     {"hourly", m.hourly}};
}

Meter meterFromJson(const QJsonObject& o) {
    Meter m;
    m.lineNumber = o["line"].toInt();
    m.name = o["name"].toString();
    m.port = o["port"].toString();
    m.baud = o["baud"].toInt(9600);
    m.dataBits = o["dataBits"].toInt(8);
    const QString parity = o["parity"].toString();
    m.parity = parity.isEmpty() ? QLatin1Char('N') : parity[0];
    m.stopBits = o["stopBits"].toInt(1);
    m.udpHost = o["udpHost"].toString();
    m.udpPort = quint16(o["udpPort"].toInt(5001));
    m.dial = o["dial"].toString();
    m.serial = o["serial"].toInt();
    m.type = o["type"].toInt(-1);
    m.daily = o["daily"].toBool(true);
    m.hourly = o["hourly"].toBool(true);
    return m;
}

// ---- the reader of one line ----

// What a line's reader tells the collector: one event (a JSON object, shared
// between the threads without copying its content).
using EmitEvent = std::function<void(const QJsonObject& event)>;

void setUpLink(TCommPortDriver& port, ExchangeEngine& engine, const Meter& m, int timeoutMs) {
    const QString stopBits = m.stopBits == 15 ? QStringLiteral("1.5") : QString::number(m.stopBits);
    ConfigureSerialPort(port, {m.port, quint32(m.baud), m.dataBits, m.parity, stopBits, timeoutMs});
    engine.SetTransport(m.Udp() ? TransportKind::Network : TransportKind::Serial);
    if (m.Udp()) {
        engine.SetNetworkTarget(m.udpHost, m.udpPort);
        engine.SetNetworkShortestWait(timeoutMs);  // --timeout, also below a second
    }
}

// What a reader that is gone asked for may still be coming down the line
// (a collection killed in the middle of an answer, a meter before this one
// that stopped answering late): the identification waits for the line to
// fall quiet rather than take that tail for its answers. A quiet line costs
// one short look.
void waitForQuietLine(TCommPortDriver& port, int baud) {
    constexpr int kLookMs = 20;
    constexpr int kQuietMs = 50;
    // Two of the longest answers at the line's speed.
    const qint64 longestMs = 2 * 256 * 10 * 1000 / std::max(baud, 50) + 100;
    port.SuspendPolling();
    port.WaitReadable(kLookMs);
    QElapsedTimer clock, quiet;
    clock.start();
    quiet.start();
    for (std::uint32_t n = port.RxCount(); n > 0 && n != 65535 && clock.elapsed() < longestMs; n = port.RxCount()) {
        QByteArray tail(qsizetype(n), '\0');
        port.ReadBytes(tail.data(), tail.size());
        quiet.start();
        while (port.RxCount() == 0 && quiet.elapsed() < kQuietMs) port.WaitReadable(int(kQuietMs - quiet.elapsed()));
    }
    port.ResumePolling();
}

void collectOne(Connection& line, int index, const Meter& m, const QJsonObject& job, int timeoutMs,
                const EmitEvent& emitEvent, const std::function<bool()>& stopRequested) {
    TCommPortDriver& port = line.Port();
    ExchangeEngine& engine = line.Engine();
    emitEvent({{"m", index}, {"ev", "start"}});
    setUpLink(port, engine, m, timeoutMs);
    MeterStart start;
    start.since = QDate::fromString(job["since"].toString(), Qt::ISODate);
    const QJsonObject through = job["through"].toObject();
    for (auto t = through.begin(); t != through.end(); ++t) {
        const QJsonObject perArchive = t.value().toObject();
        for (auto a = perArchive.begin(); a != perArchive.end(); ++a)
            start.through[t.key().toInt()][archiveOf(a.key())] = std::int64_t(a.value().toDouble());
    }
    const QJsonObject stored = job["stored"].toObject();
    for (auto t = stored.begin(); t != stored.end(); ++t) {
        const QJsonObject perArchive = t.value().toObject();
        for (auto a = perArchive.begin(); a != perArchive.end(); ++a) {
            std::set<std::int64_t>& times = start.stored[t.key().toInt()][archiveOf(a.key())];
            for (const QJsonValue& h : a.value().toArray()) times.insert(std::int64_t(h.toDouble()));
        }
    }
    bool dialled = false;
    if (!m.dial.isEmpty()) {
        ModemConnection c;
        c.telephone = m.dial;
        QString text;
        if (!DialModem(port, c, kDialTimeoutMs, &text)) {
            emitEvent({{"m", index}, {"ev", "done"}, {"ok", false}, {"status", text}});
            return;
        }
        dialled = true;
    }
    const bool portFree = m.Udp() || port.OpenPort();
    if (!portFree) {
        const QString why = port.LastError();
        emitEvent({{"m", index},
                   {"ev", "done"},
                   {"ok", false},
                   {"status", m.port + QStringLiteral(" занят (отсутсвует)") + (why.isEmpty() ? QString() : " (" + why + ")")}});
        return;
    }
    if (!m.Udp() && !dialled) waitForQuietLine(port, m.baud);
    CollectEvents events;
    events.stopRequested = stopRequested;
    QElapsedTimer sent;
    events.progress = [&](StoredArchive archive, int done, int planned, int left) {
        // At most five a second, and always the last one.
        if (done < planned && sent.isValid() && sent.elapsed() < 200) return;
        sent.start();
        emitEvent({{"m", index}, {"ev", "progress"}, {"archive", StoredArchiveName(archive)},
                   {"done", done}, {"planned", planned}, {"left", left}});
    };
    events.record = [&](int type, StoredArchive archive, const ArchiveEntry& entry) {
        emitEvent({{"m", index}, {"ev", "record"}, {"type", type}, {"archive", StoredArchiveName(archive)},
                   {"bytes", QString::fromLatin1(EntryBytes(entry).toBase64())}});
    };
    events.archiveDone = [&](int type, StoredArchive archive, const QDate& first, const QDate& last, bool complete,
                             std::optional<std::int64_t> newest, const QString& summary) {
        QJsonObject e{{"m", index},       {"ev", "archive"},
                      {"type", type},     {"archive", StoredArchiveName(archive)},
                      {"first", first.toString(Qt::ISODate)}, {"last", last.toString(Qt::ISODate)},
                      {"complete", complete}, {"summary", summary}};
        if (newest) e.insert("through", double(*newest));
        emitEvent(e);
    };
    const MeterOutcome outcome = CollectMeter(line, m, start, portFree, QDateTime::currentDateTime(), events);
    if (dialled) HangUpModem(port);
    emitEvent({{"m", index}, {"ev", "done"}, {"ok", outcome.ok}, {"status", outcome.status},
               {"type", outcome.type}, {"model", outcome.model}});
}

// One line's meters, read one after another in a thread of their own with a
// connection of their own. Every event goes to the collector's thread; once
// the collector asks it to end, the reader sends nothing more (what it read
// after that is read again by the next collection: a read that did not run
// to its end never marks its archive finished) and ends before its next
// request.
class LineReader : public QThread {
public:
    LineReader(QJsonArray jobs, int timeoutMs, EmitEvent emitEvent)
        : jobs_(std::move(jobs)), timeoutMs_(timeoutMs), emit_(std::move(emitEvent)) {}
    void Stop() { stop_ = true; }

protected:
    void run() override {
        Connection line;
        const auto stopRequested = [this] { return stop_.load(); };
        const EmitEvent emitEvent = [this](const QJsonObject& event) {
            if (!stop_) emit_(event);
        };
        for (const QJsonValue& v : jobs_) {
            if (stop_) break;
            const QJsonObject o = v.toObject();
            collectOne(line, o["index"].toInt(), meterFromJson(o), o, timeoutMs_, emitEvent, stopRequested);
        }
        line.Port().ClosePort();
    }

private:
    const QJsonArray jobs_;
    const int timeoutMs_;
    const EmitEvent emit_;
    std::atomic<bool> stop_{false};
};

// ---- the collector ----

struct ArchiveResult {
    QDate first, last;
    bool complete = false;
    int added = 0;
    int already = 0;
};

struct MeterState {
    Meter meter;
    int type = -1;
    QString model;
    bool started = false;
    bool done = false;
    bool ok = false;
    QString status;
    std::int64_t run = -1;
    int added = 0;
    int already = 0;
    std::map<StoredArchive, ArchiveResult> archives;
    std::map<StoredArchive, std::vector<ArchiveEntry>> pending;
    QString progress;  // the progress line's text
    QElapsedTimer clock;
    bool locked = false;  // this collector holds the meter's lock in the store
};

QString timeLeft(int seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

class Collector {
public:
    Collector(const CollectArgs& args, const CollectIo& io, ArchiveStore& store, std::vector<MeterState>& meters,
              const StopSignals& stopSignals)
        : args_(args), io_(io), store_(store), meters_(meters), signals_(stopSignals) {}

    void Run() {
        // Lines in the order of their first meter.
        std::map<QString, std::size_t> lineOf;
        for (std::size_t i = 0; i < meters_.size(); ++i) {
            const QString key = meters_[i].meter.LineKey();
            auto [it, fresh] = lineOf.emplace(key, lines_.size());
            if (fresh) lines_.emplace_back();
            lines_[it->second].push_back(int(i));
        }
        for (std::size_t l = 0; l < lines_.size(); ++l) waiting_.push_back(l);
        if (args_.progressLines) {
            for (std::size_t i = 0; i < meters_.size(); ++i) std::fputs("\n", stderr);
            drawn_ = int(meters_.size());
        }
        QTimer redraw;
        QObject::connect(&redraw, &QTimer::timeout, [this] { draw(); });
        if (args_.progressLines) redraw.start(200);
        std::unique_ptr<QObject> notifier;
#ifndef _WIN32
        if (signals_.Fd() >= 0) {
            auto* n = new QSocketNotifier(qintptr(signals_.Fd()), QSocketNotifier::Read);
            QObject::connect(n, &QSocketNotifier::activated, [this] { onSignal(); });
            notifier.reset(n);
        }
#endif
        if (g_stopSignal)
            onSignal();  // caught while the store was opened
        else
            startReaders();
        if (running_ > 0) loop_.exec();
        draw();
    }

    bool StoreLost() const { return storeLost_; }

    ~Collector() {
        for (const auto& reader : readers_) {
            reader->Stop();
            reader->wait();
        }
    }

private:
    void onSignal() {
        if (const int signo = signals_.Take()) stop(QStringLiteral("сбор прерван сигналом ") + signalName(signo));
    }

    // Ends the collection: no meter more is started, the line readers are told
    // to end, and what they sent before is still stored.
    void stop(const QString& status) {
        if (stopping_) return;
        stopping_ = true;
        stopStatus_ = status;
        for (std::size_t line : waiting_)
            for (int i : lines_[line]) finish(meters_[size_t(i)], false, status);
        waiting_.clear();
        for (const auto& reader : readers_) reader->Stop();
        if (running_ == 0) loop_.quit();
    }

    // The store cannot be written: reading on would only lose what is read.
    void storeLost(const QString& error) {
        if (storeLost_) return;
        storeLost_ = true;
        io_.err(error + QStringLiteral("; сбор остановлен"));
        stop(QStringLiteral("сбор остановлен: нет связи с хранилищем"));
    }

    void startReaders() {
        while (running_ < std::max(1, args_.jobs) && !waiting_.empty()) {
            const std::size_t line = waiting_.front();
            waiting_.pop_front();
            start(line);
        }
        if (running_ == 0) loop_.quit();
    }

    // Takes the meter for this collector: another collector on the same
    // store (on this machine or another) that holds it reads it; this one
    // skips it.
    bool take(MeterState& s) {
        QString error;
        switch (store_.TryLockMeter(s.meter.serial, &error)) {
            case ArchiveStore::MeterLock::Taken:
                s.locked = true;
                return true;
            case ArchiveStore::MeterLock::HeldElsewhere:
                finish(s, false, QStringLiteral("прибор читает другой сборщик: пропущен"));
                return false;
            case ArchiveStore::MeterLock::Failed:
                break;
        }
        finish(s, false, QStringLiteral("прибор не занять для сбора: ") + error);
        return false;
    }

    void start(std::size_t line) {
        QJsonArray jobs;
        for (int i : lines_[line]) {
            if (!take(meters_[size_t(i)])) continue;
            const Meter& m = meters_[size_t(i)].meter;
            QJsonObject job = meterToJson(m);
            job.insert("index", i);
            if (args_.since.isValid()) job.insert("since", args_.since.toString(Qt::ISODate));
            std::vector<int> types;
            if (m.type >= 0) types.push_back(m.type);
            else types = store_.TypesOfSerial(m.serial);
            QJsonObject through, stored;
            for (int type : types) {
                QJsonObject perArchive, times;
                for (StoredArchive a : {StoredArchive::Daily, StoredArchive::Hourly}) {
                    const auto t = store_.CompleteThrough(type, m.serial, a);
                    if (t) perArchive.insert(StoredArchiveName(a), double(*t));
                    // What the read from its first day would find stored (and
                    // the hours before it that decide whether its first hours
                    // are held with their neighbours).
                    const QDate first = ResumeDay(a, args_.since, t);
                    const std::int64_t from = first.isValid() ? RecordHours(DayNumber(first), 0) - kNormalTolerance : 0;
                    QJsonArray held;
                    for (std::int64_t h : store_.StoredTimes(type, m.serial, a, from))
                        held.append(double(h));
                    times.insert(StoredArchiveName(a), held);
                }
                through.insert(QString::number(type), perArchive);
                stored.insert(QString::number(type), times);
            }
            job.insert("through", through);
            job.insert("stored", stored);
            jobs.append(job);
        }
        if (jobs.isEmpty()) return;  // every meter of the line is read by another collector
        // The readers' events are handled here, in the collector's thread, in
        // the order each reader sent them; a reader's end after its last event.
        auto* reader = new LineReader(jobs, args_.timeoutMs, [this](const QJsonObject& event) { post(event); });
        readers_.emplace_back(reader);
        QObject::connect(reader, &QThread::finished, &context_, [this, line] {
            drain();
            for (int i : lines_[line]) {
                MeterState& s = meters_[size_t(i)];
                if (s.done) continue;
                finish(s, false, stopping_ ? stopStatus_ : QStringLiteral("сбор прерван: чтение линии закончилось"));
            }
            --running_;
            startReaders();
        });
        ++running_;
        reader->start();
    }

    // From a reader's thread: the event joins the queue, and the collector
    // is woken when the queue was empty.
    void post(const QJsonObject& event) {
        bool wake = false;
        {
            const std::lock_guard<std::mutex> lock(queueMutex_);
            wake = queue_.empty();
            queue_.push_back(event);
        }
        if (wake) QMetaObject::invokeMethod(&context_, [this] { drain(); }, Qt::QueuedConnection);
    }

    // Every event that has come, then one transaction for the records among
    // them: a busy collection stores its records in batches.
    void drain() {
        std::vector<QJsonObject> events;
        {
            const std::lock_guard<std::mutex> lock(queueMutex_);
            events.swap(queue_);
        }
        for (const QJsonObject& e : events) {
            const int index = e["m"].toInt(-1);
            if (index >= 0 && size_t(index) < meters_.size()) handle(meters_[size_t(index)], e);
        }
        commitPending();
    }

    void handle(MeterState& s, const QJsonObject& e) {
        const QString ev = e["ev"].toString();
        if (ev == "start") {
            // A reader told to end starts no meter more.
            if (stopping_) return;
            s.started = true;
            s.clock.start();
            s.progress = QStringLiteral("связь...");
            const auto begin = [&] {
                return store_.BeginRun(s.meter.name, s.meter.LinkText(), s.meter.serial, QDateTime::currentDateTime());
            };
            s.run = begin();
            if (s.run < 0) {
                if (store_.Reachable(kReconnectMs))
                    s.run = begin();
                else
                    storeLost(QStringLiteral("хранилище ") + store_.Location() + QStringLiteral(" недоступно"));
            }
        } else if (ev == "progress") {
            s.progress = QStringLiteral("%1: прочитано %2 из %3, осталось %4")
                             .arg(archiveWord(archiveOf(e["archive"].toString())))
                             .arg(e["done"].toInt())
                             .arg(e["planned"].toInt())
                             .arg(timeLeft(e["left"].toInt()));
        } else if (ev == "record") {
            const int type = e["type"].toInt();
            const ArchiveFamily* family = ArchiveFamilyOf(type);
            if (!family) return;
            std::optional<ArchiveEntry> entry =
                EntryFromBytes(*family->layout, QByteArray::fromBase64(e["bytes"].toString().toLatin1()));
            if (!entry) return;
            s.type = type;
            s.pending[archiveOf(e["archive"].toString())].push_back(std::move(*entry));
        } else if (ev == "archive") {
            const StoredArchive archive = archiveOf(e["archive"].toString());
            s.type = e["type"].toInt();
            ArchiveResult& a = s.archives[archive];
            a.first = QDate::fromString(e["first"].toString(), Qt::ISODate);
            a.last = QDate::fromString(e["last"].toString(), Qt::ISODate);
            a.complete = e["complete"].toBool();
            std::optional<std::int64_t> through;
            if (a.complete && e.contains("through")) through = std::int64_t(e["through"].toDouble());
            // The finished mark moves in the transaction of the read's last records.
            commit(s, archive, through);
        } else if (ev == "done") {
            commitPending();
            if (e["type"].toInt(-1) >= 0) s.type = e["type"].toInt();
            s.model = e["model"].toString();
            finish(s, e["ok"].toBool(), e["status"].toString());
        }
    }

    void commit(MeterState& s, StoredArchive archive, std::optional<std::int64_t> through) {
        if (storeLost_) return;
        std::vector<ArchiveEntry>& entries = s.pending[archive];
        if (entries.empty() && !through) return;
        ArchiveStore::Counts counts;
        const auto store = [&] {
            return store_.Store(s.type, s.meter.serial, archive, entries, QDateTime::currentDateTime(), &counts,
                                through);
        };
        QString error = store();
        // A connection lost is opened again for a while; the records wait.
        if (!error.isEmpty() && store_.Reachable(kReconnectMs)) error = store();
        if (!error.isEmpty()) {
            storeLost(error);
            return;
        }
        entries.clear();
        s.added += counts.added;
        s.already += counts.already;
        s.archives[archive].added += counts.added;
        s.archives[archive].already += counts.already;
    }

    void commitPending() {
        for (MeterState& s : meters_)
            for (auto& [archive, entries] : s.pending)
                if (!entries.empty()) commit(s, archive, std::nullopt);
    }

    void finish(MeterState& s, bool ok, const QString& status) {
        s.done = true;
        // A meter read to its end whose records could not all be stored is not collected.
        s.ok = ok && !storeLost_;
        s.status = storeLost_ ? stopStatus_ : status;
        if (s.model.isEmpty() && s.type >= 0) s.model = ModelName(s.type);
        s.progress = (s.ok ? QStringLiteral("собрано") : s.status) +
                     QStringLiteral(", новых записей %1, уже было %2").arg(s.added).arg(s.already);
        if (s.run >= 0 && !storeLost_)
            store_.EndRun(s.run, s.type, s.status, s.added, s.already, QDateTime::currentDateTime());
        if (s.locked) store_.UnlockMeter(s.meter.serial);
        s.locked = false;
        if (!args_.progressLines && !args_.quiet && !args_.json)
            io_.err(s.meter.name + QStringLiteral(": ") + s.progress);
    }

    // One line per meter on the terminal, redrawn in place.
    void draw() {
        if (!args_.progressLines || drawn_ == 0) return;
        QString text = QStringLiteral("\033[%1A").arg(drawn_);
        // A line wider than the terminal would wrap and the lines drawn over
        // would no longer be those of the meters.
        int columns = 0;
#ifndef _WIN32
        winsize size{};
        if (ioctl(fileno(stderr), TIOCGWINSZ, &size) == 0) columns = size.ws_col;
#endif
        for (const MeterState& s : meters_) {
            QString line = s.meter.name + QStringLiteral(": ") +
                           (s.started || s.done ? s.progress : QStringLiteral("ждет очереди"));
            if (columns > 1 && line.size() >= columns) line = line.left(columns - 2) + QChar(0x2026);
            text += QStringLiteral("\r") + line + QStringLiteral("\033[K\n");
        }
        const QByteArray bytes = text.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
        std::fflush(stderr);
    }

    const CollectArgs& args_;
    const CollectIo& io_;
    ArchiveStore& store_;
    std::vector<MeterState>& meters_;
    const StopSignals& signals_;
    std::vector<std::vector<int>> lines_;
    std::deque<std::size_t> waiting_;
    std::vector<std::unique_ptr<LineReader>> readers_;
    QObject context_;  // the receiver of the readers' events, in this thread
    std::mutex queueMutex_;
    std::vector<QJsonObject> queue_;
    int running_ = 0;
    int drawn_ = 0;
    bool stopping_ = false;
    QString stopStatus_;
    bool storeLost_ = false;
    QEventLoop loop_;
};

QJsonValue isoOrNull(const QDate& d) { return d.isValid() ? QJsonValue(d.toString(Qt::ISODate)) : QJsonValue(); }

QString rangeText(const ArchiveResult& a) {
    if (!a.first.isValid()) return QString();
    return ShortDateText(a.first) + QStringLiteral(" - ") + ShortDateText(a.last);
}

}  // namespace

namespace {

QtMessageHandler g_nextHandler = nullptr;

// The Qt SQL drivers warn on stderr about calls on a connection that is gone
// ("QPSQLDriver::beginTransaction: Database not open"); the store's own
// messages say what happened, once, in the program's words.
void dropDriverWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    static const char* const kDriverPrefixes[] = {"QPSQL",     "QSQLite",      "QSQLITE",
                                                  "QSqlQuery", "QSqlDatabase", "QSqlResult"};
    if (type == QtWarningMsg || type == QtDebugMsg || type == QtInfoMsg)
        for (const char* prefix : kDriverPrefixes)
            if (text.startsWith(QLatin1String(prefix))) return;
    if (g_nextHandler) {
        g_nextHandler(type, context, text);
    } else {
        const QByteArray line = (qFormatLogMessage(type, context, text) + QLatin1Char('\n')).toLocal8Bit();
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    }
}

}  // namespace

void QuietDatabaseDriverWarnings() {
    const QtMessageHandler previous = qInstallMessageHandler(dropDriverWarnings);
    if (previous != dropDriverWarnings) g_nextHandler = previous;
}

int RunCollect(const CollectArgs& args, const CollectIo& io) {
    const MeterList list = ReadMeterList(args.list);
    if (!list.fatal.isEmpty()) {
        io.err(list.fatal);
        return 1;
    }
    for (const QString& e : list.errors) io.err(args.list + QStringLiteral(": ") + e + QStringLiteral(" - строка пропущена"));
    if (list.meters.empty()) {
        io.err(QStringLiteral("в списке ") + args.list + QStringLiteral(" нет ни одного прибора для сбора"));
        return 1;
    }
    const StopSignals stopSignals;
    ArchiveStore store;
    const QString where = args.store.isEmpty() ? ArchiveStore::DefaultLocation() : args.store;
    const QString opened = store.Open(where);
    if (!opened.isEmpty()) {
        io.err(opened);
        return 1;
    }
    std::vector<MeterState> meters(list.meters.size());
    for (std::size_t i = 0; i < meters.size(); ++i) {
        meters[i].meter = list.meters[i];
        if (args.daily) meters[i].meter.daily = *args.daily;
        if (args.hourly) meters[i].meter.hourly = *args.hourly;
    }
    Collector collector(args, io, store, meters, stopSignals);
    collector.Run();
    const int signo = stopSignals.Take();

    int collected = 0;
    QJsonArray json;
    QString text;
    const QDateTime now = QDateTime::currentDateTime();
    const std::int64_t nowHours = RecordHours(DayNumber(now.date()), now.time().hour());
    // Up to 20 runs of days (hours), then how many more.
    const auto shortList = [](const QStringList& runs) {
        constexpr int kShown = 20;
        QString t = runs.mid(0, kShown).join(QStringLiteral(", "));
        if (runs.size() > kShown) t += QStringLiteral(" и еще %1").arg(runs.size() - kShown);
        return t;
    };
    for (const MeterState& s : meters) {
        if (s.ok) ++collected;
        QJsonArray archives;
        QStringList ranges;
        for (const auto& [archive, a] : s.archives) {
            QJsonObject o{{"archive", StoredArchiveName(archive)},
                          {"from", isoOrNull(a.first)},
                          {"to", isoOrNull(a.last)},
                          {"complete", a.complete},
                          {"records_new", a.added},
                          {"records_stored", a.already}};
            const QString range = rangeText(a);
            QString line = archiveWord(archive) +
                           (range.isEmpty() ? QStringLiteral(": новых записей еще нет") : QStringLiteral(" ") + range);
            // What the store holds of the range read: the days (hours) with
            // errors and those missing.
            if (a.first.isValid() && s.type >= 0 && !collector.StoreLost()) {
                const ArchiveFindings f = FindArchiveFindings(store, s.type, s.meter.serial, archive,
                                                              RecordTimeRange(archive, a.first, a.last, nowHours));
                if (f.error.isEmpty()) {
                    const QStringList errors = TimeRunTexts(TimesOf(f.errors), archive);
                    const QStringList missing = TimeRunTexts(f.missing, archive);
                    o.insert("errors", QJsonArray::fromStringList(errors));
                    o.insert("missing", QJsonArray::fromStringList(missing));
                    if (!errors.isEmpty()) line += QStringLiteral(" (с ошибками: ") + shortList(errors) + QLatin1Char(')');
                    if (!missing.isEmpty()) line += QStringLiteral(" (нет записей: ") + shortList(missing) + QLatin1Char(')');
                }
            }
            archives.append(o);
            ranges << line;
        }
        json.append(QJsonObject{{"name", s.meter.name},
                                {"line", s.meter.lineNumber},
                                {"link", s.meter.LinkText()},
                                {"serial", s.meter.serial},
                                {"type", s.type >= 0 ? QJsonValue(s.type) : QJsonValue(QJsonValue::Null)},
                                {"model", s.model},
                                {"ok", s.ok},
                                {"status", s.status},
                                {"records_new", s.added},
                                {"records_stored", s.already},
                                {"archives", archives}});
        const QString device = s.model.isEmpty() ? QStringLiteral("№ %1").arg(s.meter.serial)
                                                 : QStringLiteral("%1 № %2").arg(s.model).arg(s.meter.serial);
        text += QStringLiteral("%1 (%2): %3; новых записей %4, уже было %5")
                    .arg(s.meter.name, device, s.status)
                    .arg(s.added)
                    .arg(s.already);
        if (!ranges.isEmpty()) text += QStringLiteral("; ") + ranges.join(QStringLiteral(", "));
        text += QLatin1Char('\n');
    }
    const int total = int(meters.size()) + int(list.errors.size());
    text += QStringLiteral("собрано %1 из %2 приборов, хранилище %3\n").arg(collected).arg(total).arg(where);
    if (args.json) {
        const QJsonObject doc{{"store", where},
                              {"meters", json},
                              {"collected", collected},
                              {"failed", total - collected},
                              {"bad_lines", QJsonArray::fromStringList(list.errors)},
                              {"interrupted", signo ? QJsonValue(signalName(signo)) : QJsonValue()},
                              {"store_lost", collector.StoreLost()}};
        io.out(QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
    } else {
        io.out(text);
    }
    // Ended by a signal: the shell's status of a program the signal ended.
    if (signo) return 128 + signo;
    return collected == total ? 0 : 1;
}

}  // namespace omi::cli
