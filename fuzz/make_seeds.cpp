// Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/): valid
// answers of a simulated family 234/235 device, the archive files and table
// files made from them, the program's own format texts. Each seed is laid
// out as its target reads its input (see the comment at the top of each
// fuzz_*.cpp).
//
//   make_fuzz_seeds <corpus folder>

#include <QDir>
#include <QFile>
#include <cstdio>

#include "ArchiveFamilies.h"
#include "FuzzSupport.h"
#include "SimDevice.h"
#include "archives/ArchiveFamily.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiveView.h"
#include "families/U25.h"
#include "families/U27.h"
#include "families/U28.h"
#include "families/U29.h"
#include "families/U34.h"
#include "protocol/Frame.h"
#include "support/Dates.h"
#include "support/GridText.h"
#include "support/TextCodec.h"

using namespace omi;

namespace {

QString g_root;

void Seed(const char* target, const QByteArray& name, const QByteArray& bytes) {
    const QString folder = g_root + QLatin1Char('/') + QLatin1String(target);
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + QString::fromLatin1(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s/%s\n", target, name.constData());
        std::exit(1);
    }
}

QByteArray B(std::initializer_list<int> bytes) {
    QByteArray out;
    for (int b : bytes) out.append(static_cast<char>(b));
    return out;
}

QByteArray Word(int v) { return B({v & 0xFF, (v >> 8) & 0xFF}); }

QByteArray Bytes(const Frame& f) { return FrameToString(f); }

constexpr int kType = 234;
constexpr int kSerial = 417;
const DeviceAddress kDevice{kSerial, kType};

// The answer of the simulated device to a request addressed to it.
Frame Ask(SimDevice& device, int command, const Frame& data = {}) {
    const auto request = BuildFrame({device.Serial(), device.Type()}, command, data);
    const auto answer = request ? device.Answer(*request) : std::nullopt;
    if (!answer) {
        std::fprintf(stderr, "the simulated device did not answer command %d\n", command);
        std::exit(1);
    }
    return *answer;
}

std::optional<Frame> AskIfAnswered(SimDevice& device, int command, const Frame& data = {}) {
    const auto request = BuildFrame({device.Serial(), device.Type()}, command, data);
    return request ? device.Answer(*request) : std::nullopt;
}

// Decoder indices in fuzz_decoders' table (-1: none) and the archive decoder
// of the families other than 234/235.
struct FamilySeeds {
    const char* name;
    int type;
    int state;
    int config;
    int configTypeIndex;  // the type's index in the configuration decoder's types
    int archive;
    QString (*decArh)(const Frame&, const DeviceAddress&, ArchiveEntry&);
    const ArchiveFamily* (*archives)();
};
const FamilySeeds kOtherFamilies[] = {
    {"u29", 229, 3, 4, 1, 5, u29::DecArh, [] { return &u29::ArchiveTables(); }},
    {"u28", 228, 6, 4, 0, 7, u28::DecArh, [] { return &u28::ArchiveTables(); }},
    {"u27", 227, 8, 9, 0, 10, u27::DecArh, [] { return &u27::ArchiveTables(); }},
    {"u25", 225, 11, 12, 0, 13, u25::DecArh, [] { return &u25::ArchiveTables(); }},
    {"u128", 128, 14, -1, 0, -1, nullptr, nullptr},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <corpus folder>\n");
        return 2;
    }
    fuzz::EnsureApp();
    g_root = QString::fromLocal8Bit(argv[1]);

    SimSettings settings;
    settings.clock = [] { return QDateTime(QDate(2026, 3, 7), QTime(9, 5, 3)); };
    SimDevice device(kType, kSerial, settings);
    const Frame notu = Ask(device, cmd::NumberType);
    const Frame state = Ask(device, cmd::State);
    const Frame config = Ask(device, cmd::ReadConfig);
    const Frame pointers = Ask(device, cmd::ArchivePointers);
    std::vector<Frame> records;
    // Daily positions 199 and 200 (bit 15 of the position word), hourly 699 and 700.
    for (const Frame& position : {Frame{199, 0x80}, Frame{200, 0x80}, Frame{0xBB, 2}, Frame{0xBC, 2}})
        records.push_back(Ask(device, cmd::ArchiveRecord, position));
    const QByteArray garbage = B({3, 250, 0, 7, 255});

    // fuzz_frames: command, type, serial, expected length, bytes.
    const QByteArray head = B({cmd::State, kType}) + Word(kSerial);
    Seed("fuzz_frames", "state", head + B({u34::kStateLength}) + Bytes(state));
    Seed("fuzz_frames", "state-in-garbage", head + B({u34::kStateLength}) + garbage + Bytes(state) + garbage);
    Seed("fuzz_frames", "notu-in-garbage", B({0, kType}) + Word(kSerial) + B({6}) + garbage + Bytes(notu) + garbage);
    Seed("fuzz_frames", "broadcast", B({0, 0, 0, 0, 6}) + Bytes(kBroadcastNoTu));
    Seed("fuzz_frames", "pointers",
         B({cmd::ArchivePointers, kType}) + Word(kSerial) + B({int(pointers.size())}) + Bytes(pointers));

    // fuzz_sim_frames: chunk size, stream of requests with garbage between.
    QByteArray requests;
    for (int command : {cmd::NumberType, cmd::State, cmd::ReadConfig, cmd::ArchivePointers})
        requests += Bytes(*BuildFrame(kDevice, command)) + garbage;
    requests += Bytes(*BuildFrame(kDevice, cmd::ArchiveRecord, {200, 0x80}));
    Seed("fuzz_sim_frames", "whole", B({0}) + requests);
    Seed("fuzz_sim_frames", "chunks-of-3", B({3}) + requests);

    // fuzz_decoders: decoder index, fix-ups, type index, serial, answer.
    Seed("fuzz_decoders", "u34-state", B({0, 0, 0}) + Word(kSerial) + Bytes(state));
    Seed("fuzz_decoders", "u34-config", B({1, 0, 0}) + Word(kSerial) + Bytes(config));
    Seed("fuzz_decoders", "u34-archive", B({2, 0, 0}) + Word(kSerial) + Bytes(records[1]));
    Seed("fuzz_decoders", "u34-archive-fixups", B({2, 31, 2}) + Word(kSerial) + Bytes(records[2]).left(100));

    // fuzz_archive_file: family, kind, flags, first and last day, number
    // format, file bytes (daily records, a totals record last).
    ArchiveList daily;
    for (int i : {1, 0}) {
        ArchiveEntry e;
        if (!u34::DecArh(records[static_cast<std::size_t>(i)], kDevice, e).isEmpty()) {
            std::fprintf(stderr, "the simulated archive record does not decode\n");
            return 1;
        }
        daily.push_back(e);
    }
    const ArchiveFamily& family = *ArchiveFamilyOf(kType);
    const QByteArray file = ArchiveFileBytes(family, daily, 0);
    ArchiveList withTotals = daily;
    withTotals.push_back(MakeTotals(family, daily));
    const QByteArray fileWithTotals = ArchiveFileBytes(family, withTotals, 0);
    const int day = EntryDay(daily.front());
    const QByteArray range = Word(day - 1) + Word(day);
    Seed("fuzz_archive_file", "daily",
         B({fuzz::ArchiveFamilyIndex(&family), kDailyArchive, 0}) + range + "%f" + B({0}) + file);
    Seed("fuzz_archive_file", "daily-difference-totals",
         B({fuzz::ArchiveFamilyIndex(&family), kDailyDifference, 1}) + range + "%.3f" + B({0}) + fileWithTotals);

    // fuzz_grid_text: separator index, sort column, file.
    const QString grid = g_root + QStringLiteral("/grid.tmp");
    const Grid cells = ArchiveTableCells(family, daily, 0, QStringLiteral("%f"));
    const Grid small{{QStringLiteral("дата"), QStringLiteral("Q, ГДж")},
                     {QStringLiteral("07.03.2026"), QStringLiteral("1,50")}};
    for (const auto& [name, rows] : {std::pair{"archive-table", cells}, std::pair{"small", small}}) {
        SaveGridText(rows, grid);
        QFile f(grid);
        f.open(QIODevice::ReadOnly);
        Seed("fuzz_grid_text", name, B({0, 1}) + f.readAll());
    }
    QFile::remove(grid);
    Seed("fuzz_grid_text", "ragged-lf", B({1, 0}) + "a;b;c\nd\n\n;;\r\ne;f");

    // fuzz_text_codec: bytes.
    Seed("fuzz_text_codec", "cp1251", ToCp1251(QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА ёЁ №\r\n")));
    const QString russian = QStringLiteral("t°С XBC м-ц/день ");
    Seed("fuzz_text_codec", "utf16", QByteArray(reinterpret_cast<const char*>(russian.utf16()), russian.size() * 2));

    // fuzz_format: format text, zero, arguments (kind byte and value).
    const auto real = [](double v) {
        QByteArray out(1, '\2');
        out.append(reinterpret_cast<const char*>(&v), sizeof v);
        return out;
    };
    const auto integer = [](std::int64_t v) {
        QByteArray out(1, '\0');
        out.append(reinterpret_cast<const char*>(&v), sizeof v);
        return out;
    };
    const auto text = [](const char* utf8) { return B({3, int(qstrlen(utf8))}) + utf8; };
    const auto small8 = [](int v) { return B({4, v & 0xFF}); };
    Seed("fuzz_format", "f", QByteArray("%f") + B({0}) + real(2.675));
    Seed("fuzz_format", "padded", QByteArray("%.2d:%.2d %-8s|") + B({0}) + integer(7) + integer(-5) + text("МПа"));
    Seed("fuzz_format", "index-star",
         QByteArray("%1:s %0:d %*.*f %%") + B({0}) + integer(3) + text("x") + small8(12) + small8(4) +
             real(-1234567.891));
    Seed("fuzz_format", "kinds",
         QByteArray("%u %x %p %e %g %n %m %S") + B({0}) + integer(-1) + integer(255) + integer(4096) + real(1000) +
             real(1e-6) + real(1234567.89) + real(99.5) + text("ok"));
    Seed("fuzz_format", "bad", QByteArray("%2147483647d %.100f %q %") + B({0}) + integer(1) + real(1));

    // fuzz_description_table: device type, number, editing choice (row,
    // column, predefined index), table file (which is also the answer).
    const auto tableFile = [](std::initializer_list<QStringList> rows) {
        QString text;
        for (const QStringList& row : rows) text += row.join(QLatin1Char('\t')) + QStringLiteral("\t\r\n");
        return ToCp1251(text);
    };
    const QStringList heading{"байт", "поле", "значение"};
    Seed("fuzz_description_table", "read-config",
         B({225}) + Word(22) + B({2, 2, 2}) +
             tableFile({heading,
                        {"00", "длина", "B@01"},
                        {"01", "тип", "B@03"},
                        {"02", "номер", "W@04"},
                        {"03", "", ""},
                        {"04", "команда", "B=5"},
                        {"05", "кс", "B@02"}}));
    Seed("fuzz_description_table", "decode",
         B({234}) + Word(kSerial) + B({1, 6, 4}) +
             tableFile({heading,
                        {"00", "слово", "W=/10"},
                        {"01", "", ""},
                        {"02", "t", "S=*2+1"},
                        {"03", "", ""},
                        {"04", "", ""},
                        {"05", "", ""},
                        {"06", "l", "L"},
                        {"07", "", ""},
                        {"08", "", ""},
                        {"09", "", ""},
                        {"10", "тип", "B=+1"}}));
    Seed("fuzz_description_table", "values",
         B({229}) + Word(300) + B({9, 1, 1}) +
             tableFile({heading,
                        {"00", "a", "300"},
                        {"01", "", ""},
                        {"02", "b", "-1,5"},
                        {"03", "", ""},
                        {"04", "", ""},
                        {"05", "", ""},
                        {"06", "c", "B=300"},
                        {"07", "d", "8/2*2"}}));
    Seed("fuzz_description_table", "garbage-lines",
         B({128}) + Word(1) + B({0, 7, 3}) +
             tableFile({heading, {"00", "a", "B"}, {"мусор", "x"}, {"01", "b\x01", "B"}}));
    Seed("fuzz_description_table", "expression", B({234}) + Word(5) + B({0, 0, 0}) + "2+3*4/5-1,5");

    // fuzz_date_format: mode, moment, day number, format.
    const auto fields = B({0}) + Word(2026) + B({3, 7, 9, 5, 3}) + Word(250);
    const QByteArray dayNumber = Word(day) + Word(0) + B({0, 0, 0, 0});
    Seed("fuzz_date_format", "short", fields + dayNumber + "dd/mm/yyyy hh:nn:ss.zzz");
    Seed("fuzz_date_format", "long", fields + dayNumber + "dddd, d mmmm yyyy \"г.\" 'в' t");
    Seed("fuzz_date_format", "names", fields + dayNumber + "ddddd dddddd c mmm mmmm tt");
    double value = DateTimeValue(QDateTime(QDate(2026, 3, 7), QTime(12, 0)));
    Seed("fuzz_date_format", "date-value", real(value).replace(0, 1, B({1})) + dayNumber + "07.03.26");

    // fuzz_replay: type, record length, pointer, serial, record lines, zero,
    // requests (a length byte each).
    QByteArray lines;
    for (int r = 0; r < 3; ++r) {
        QStringList values;
        for (int i = 0; i < 216; ++i) values << QString::number((i * 7 + r) & 0xFF);
        lines += values.join(QLatin1Char(',')).toLatin1() + '\n';
    }
    lines += "1, 2, x,300\n";
    QByteArray replayRequests;
    for (const Frame& f : {*BuildFrame(kDevice, cmd::ArchivePointers), *BuildFrame(kDevice, cmd::ArchiveBegin),
                           *BuildFrame(kDevice, cmd::ArchiveRecord, {1, 0x80}),
                           *BuildFrame(kDevice, cmd::ArchiveRecord, {3, 0}), *BuildFrame(kDevice, cmd::ArchiveEnd)})
        replayRequests += B({int(f.size())}) + Bytes(f);
    Seed("fuzz_replay", "records", B({kType}) + Word(216) + Word(3) + Word(kSerial) + lines + B({0}) + replayRequests);

    // fuzz_serial_exchange: command, type, serial, trace flag, answers.
    Seed("fuzz_serial_exchange", "state", head + B({1, int(state.size())}) + Bytes(state));
    Seed("fuzz_serial_exchange", "echo-then-notu",
         B({0, kType}) + Word(kSerial) + B({0, 12}) + Bytes(kBroadcastNoTu) + Bytes(notu));
    Seed("fuzz_serial_exchange", "garbage-then-state",
         head + B({1, int(garbage.size() + 15)}) + garbage + Bytes(state).left(15) + B({int(state.size())}) +
             Bytes(state));
    // The other families: decoder seeds from their simulated devices, and an
    // archive file of two daily records where the family has archives.
    for (const FamilySeeds& f : kOtherFamilies) {
        SimDevice other(f.type, kSerial, settings);
        const QByteArray name(f.name);
        if (const auto a = AskIfAnswered(other, cmd::State))
            Seed("fuzz_decoders", name + "-state", B({f.state, 0, 0}) + Word(kSerial) + Bytes(*a));
        if (const auto a = f.config >= 0 ? AskIfAnswered(other, cmd::ReadConfig) : std::nullopt)
            Seed("fuzz_decoders", name + "-config", B({f.config, 0, f.configTypeIndex}) + Word(kSerial) + Bytes(*a));
        if (f.archive < 0) continue;
        ArchiveList list;
        for (const Frame& position : {Frame{1, 0x80}, Frame{0, 0x80}}) {
            const auto a = AskIfAnswered(other, cmd::ArchiveRecord, position);
            if (!a) continue;
            Seed("fuzz_decoders", name + "-archive-" + QByteArray::number(position[0]),
                 B({f.archive, 0, 0}) + Word(kSerial) + Bytes(*a));
            ArchiveEntry e;
            if (f.decArh(*a, {kSerial, f.type}, e).isEmpty()) list.push_back(e);
        }
        const ArchiveFamily* archives = f.archives();
        if (list.empty()) continue;
        const int d = EntryDay(list.front());
        Seed("fuzz_archive_file", name + "-daily",
             B({fuzz::ArchiveFamilyIndex(archives), kDailyDifference, 0}) + Word(d - 1) + Word(d) + "%.3f" + B({0}) +
                 ArchiveFileBytes(*archives, list, 0));
    }
    std::printf("seeds written to %s\n", argv[1]);
    return 0;
}
