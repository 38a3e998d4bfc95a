// One walk over the test vectors of every family (FamilyVectors.h): each
// answer decoded and shown as the views show it, the records put back through
// the family's encoders to the same bytes, the archive record compared byte by
// byte with its table and shown as a row of the archive table.

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiveKinds.h"
#include "archives/ArchiveProcedure.h"
#include "archives/ArchiveView.h"
#include "families/U128.h"
#include "families/U25.h"
#include "families/U27.h"
#include "families/U28.h"
#include "families/U29.h"
#include "families/U34.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "unit/families/FamilyVectors.h"

namespace omi {
namespace {

using namespace test::vectors;

// What the walk needs from a family: its decoders with their texts, its
// encoders, its state table and its archive layout.
struct Decoded {
    QString message;
    std::vector<QStringList> texts;  // per heat system
    std::optional<Bytes> encoded;    // the decoded records put back through the family's encoder, if it has one
};

struct Driver {
    // Each decodes the answer of the device asked (from).
    std::function<Decoded(const Frame&, const DeviceAddress& from)> state;
    std::function<Decoded(const Frame&, const DeviceAddress& from)> config;
    std::function<QString(const Frame&, const DeviceAddress& from, ArchiveEntry&)> archive;
    std::span<const ArchiveField> archiveLayout;
    const StateLayoutTable* stateTable;
};

// The data bytes of a frame: everything between the header and the check byte.
Bytes DataOf(const Frame& f) { return f.size() < 6 ? Bytes{} : Bytes(f.begin() + 5, f.end() - 1); }

template <class Rec>
Bytes EncodedFrameData(const RecordPair<Rec>& pair, std::span<const FrameField<Rec>> table, std::size_t length) {
    Frame f(length, 0);
    if (!EncodeFields(pair, table, f)) return {};
    return DataOf(f);
}

// Families whose frames carry two heat systems.
template <class StatePair, class ConfigPair, class StateRec, class SetParOf>
Driver PairDriver(QString (*decState)(const Frame&, const DeviceAddress&, StatePair&),
                  QStringList (*stateText)(const StatePair&, int), std::span<const FrameField<StateRec>> stateLayout,
                  QString (*decParam)(const Frame&, const DeviceAddress&, ConfigPair&),
                  QStringList (*paramText)(const ConfigPair&, int), SetParOf setPar,
                  QString (*decArh)(const Frame&, const DeviceAddress&, ArchiveEntry&),
                  std::span<const ArchiveField> archiveLayout, const StateLayoutTable& table) {
    Driver d;
    d.state = [=](const Frame& f, const DeviceAddress& from) {
        Decoded out;
        StatePair pair{};
        out.message = decState(f, from, pair);
        if (!out.message.isEmpty()) return out;
        out.texts = {stateText(pair, 0), stateText(pair, 1)};
        out.encoded = EncodedFrameData(pair, stateLayout, f.size());
        return out;
    };
    d.config = [=](const Frame& f, const DeviceAddress& from) {
        Decoded out;
        ConfigPair pair{};
        out.message = decParam(f, from, pair);
        if (!out.message.isEmpty()) return out;
        out.texts = {paramText(pair, 0), paramText(pair, 1)};
        const auto written = setPar(pair);
        if (!written.ok || !written.mismatch.isEmpty())
            out.message = QStringLiteral("write refused: ") + written.error + written.mismatch;
        out.encoded = written.data;
        return out;
    };
    d.archive = decArh;
    d.archiveLayout = archiveLayout;
    d.stateTable = &table;
    return d;
}

// Families of one heat system.
template <class StateRec, class ConfigRec, class SetParOf>
Driver OneSystemDriver(QString (*decState)(const Frame&, const DeviceAddress&, StateRec&),
                       QStringList (*stateText)(const StateRec&), std::span<const FrameField<StateRec>> stateLayout,
                       QString (*decParam)(const Frame&, const DeviceAddress&, ConfigRec&),
                       QStringList (*paramText)(const ConfigRec&), SetParOf setPar,
                       QString (*decArh)(const Frame&, const DeviceAddress&, ArchiveEntry&),
                       std::span<const ArchiveField> archiveLayout, const StateLayoutTable& table) {
    Driver d;
    d.state = [=](const Frame& f, const DeviceAddress& from) {
        Decoded out;
        StateRec rec{};
        out.message = decState(f, from, rec);
        if (!out.message.isEmpty()) return out;
        out.texts = {stateText(rec)};
        out.encoded = EncodedFrameData(RecordPair<StateRec>{rec, StateRec{}}, stateLayout, f.size());
        return out;
    };
    d.config = [=](const Frame& f, const DeviceAddress& from) {
        Decoded out;
        ConfigRec rec{};
        out.message = decParam(f, from, rec);
        if (!out.message.isEmpty()) return out;
        out.texts = {paramText(rec)};
        const auto written = setPar(rec);
        if (!written.ok) out.message = QStringLiteral("write refused: ") + written.error;
        out.encoded = written.data;
        return out;
    };
    d.archive = decArh;
    d.archiveLayout = archiveLayout;
    d.stateTable = &table;
    return d;
}

// ЛОРС: one answer for state and configuration, its own write request, no archives.
Driver LorsDriver() {
    Driver d;
    d.state = [](const Frame& f, const DeviceAddress& from) {
        Decoded out;
        u128::Record rec;
        out.message = u128::DecState(f, from, rec);
        if (out.message.isEmpty()) out.texts = {u128::StateToText(rec)};
        return out;
    };
    d.config = [](const Frame& f, const DeviceAddress& from) {
        Decoded out;
        u128::Record rec;
        out.message = u128::DecParam(f, from, rec);
        if (!out.message.isEmpty()) return out;
        out.texts = {u128::ParamToText(rec)};
        QString error;
        const auto request = u128::ConfigWriteRequest(from.serial, rec, &error);
        if (request)
            out.encoded = *request;
        else
            out.message = QStringLiteral("write refused: ") + error;
        return out;
    };
    d.stateTable = &u128::StateTable();
    return d;
}

// Every family's vectors with the family's functions.
struct FamilyCase {
    FamilyVector vector;
    Driver driver;
};

std::vector<FamilyCase> AllFamilies() {
    return {
        {Family234(),
         PairDriver(&u34::DecState, &u34::StateToText, u34::StateLayout(), &u34::DecParam, &u34::ParamToText,
                    &u34::SetPar, &u34::DecArh, u34::ArchiveLayout(), u34::StateTable())},
        {Family229(),
         PairDriver(&u29::DecState, &u29::StateToText, u29::StateLayout(), &u29::DecParam, &u29::ParamToText,
                    &u29::SetPar, &u29::DecArh, u29::ArchiveLayout(), u29::StateTable())},
        {Family228(),
         PairDriver(&u28::DecState, &u28::StateToText, u28::StateLayout(), &u28::DecParam, &u28::ParamToText,
                    &u28::SetPar, &u28::DecArh, u28::ArchiveLayout(), u28::StateTable())},
        {Family227(),
         OneSystemDriver(&u27::DecState, &u27::StateToText, u27::StateLayout(), &u27::DecParam, &u27::ParamToText,
                         &u27::SetPar, &u27::DecArh, u27::ArchiveLayout(), u27::StateTable())},
        {Family225(),
         OneSystemDriver(&u25::DecState, &u25::StateToText, u25::StateLayout(), &u25::DecParam, &u25::ParamToText,
                         &u25::SetPar, &u25::DecArh, u25::ArchiveLayout(), u25::StateTable())},
        {Family128(), LorsDriver()},
    };
}

QStringList Column(const std::vector<TextPair>& texts, std::size_t system) {
    QStringList out;
    for (const TextPair& t : texts) out << QString::fromUtf8(t[system]);
    return out;
}

QStringList Texts(const std::vector<const char*>& texts) {
    QStringList out;
    for (const char* t : texts) out << QString::fromUtf8(t);
    return out;
}

QStringList StateColumn(const std::vector<StateLineVector>& lines, std::size_t system) {
    QStringList out;
    for (const StateLineVector& l : lines) out << QString::fromUtf8(system == 0 ? l.system1 : l.system2);
    return out;
}

// The record of a heat system as its table gives it, every other byte 0.
Bytes ExpectedRecord(const FamilyVector& v, std::size_t system) {
    Bytes b(static_cast<std::size_t>(v.recordSize), 0);
    for (const RecordValueVector& f : v.record) {
        const double value = system == 0 ? f.system1 : f.system2;
        std::uint64_t u = 0;
        int width = 4;
        if (f.kind == Kind::Double) {
            u = std::bit_cast<std::uint64_t>(value);
            width = 8;
        } else {
            u = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
        }
        for (int i = 0; i < width; ++i)
            b.at(static_cast<std::size_t>(f.offset + i)) = static_cast<std::uint8_t>(u >> (8 * i));
    }
    return b;
}

class FamilyVectors : public ::testing::Test {
protected:
    void SetUp() override { SetDisplayFormat(QStringLiteral("%f")); }
};

TEST_F(FamilyVectors, EveryFamilyDecodesShowsAndEncodesItsVectors) {
    for (const auto& [v, d] : AllFamilies()) {
        SCOPED_TRACE(v.name);
        const DeviceAddress from{kSerial, v.type};

        // State: the texts of every line, the table's line for each, and the
        // records encoded back into the answer's bytes.
        const Decoded state = d.state(v.state, from);
        ASSERT_EQ(state.message, QString());
        ASSERT_EQ(state.texts.size(), static_cast<std::size_t>(v.systems));
        for (std::size_t s = 0; s < state.texts.size(); ++s)
            EXPECT_EQ(state.texts[s], StateColumn(v.stateLines, s)) << "system " << s;
        const StateLayoutTable& table = *d.stateTable;
        ASSERT_EQ(table.lines.size(), v.stateLines.size());
        ASSERT_EQ(table.columnMap.size(), v.stateLines.size());
        for (std::size_t k = 0; k < v.stateLines.size(); ++k) {
            const StateLineVector& expected = v.stateLines[k];
            EXPECT_STREQ(table.lines[k].label, expected.label) << "line " << k;
            EXPECT_EQ(table.lines[k].tag, expected.tag) << "line " << k;
            // Grid column k shows the value of its line under that line's headings.
            const auto line = static_cast<std::size_t>(table.columnMap[k] - 1);
            ASSERT_LT(line, table.lines.size()) << "grid column " << k;
            const StateLine& shown = table.lines[line];
            EXPECT_STREQ(shown.heading1, expected.heading1) << "grid column " << k;
            EXPECT_STREQ(shown.heading2, expected.heading2) << "grid column " << k;
            EXPECT_EQ(state.texts[0].value(table.columnMap[k] - 1), QString::fromUtf8(expected.system1))
                << "grid column " << k;
        }
        if (state.encoded) {
            EXPECT_EQ(*state.encoded, DataOf(v.state)) << "state encoded back";
        }

        // Configuration: texts per heat system, and the write request built
        // from what was read.
        const Decoded config = d.config(v.config, from);
        ASSERT_EQ(config.message, QString());
        ASSERT_EQ(config.texts.size(), static_cast<std::size_t>(v.systems));
        for (std::size_t s = 0; s < config.texts.size(); ++s)
            EXPECT_EQ(config.texts[s], Column(v.configTexts, s)) << "system " << s;
        ASSERT_TRUE(config.encoded);
        EXPECT_EQ(*config.encoded, v.configWrite.empty() ? DataOf(v.config) : v.configWrite) << "configuration write";

        // The same answers are not taken for another device asked.
        const DeviceAddress other{kSerial + 1, v.type};
        EXPECT_NE(d.state(v.state, other).message, QString());
        EXPECT_NE(d.config(v.config, other).message, QString());

        // Archive record: decoded, kept and filed byte for byte as its table
        // says, shown as a table row, and encoded back into the answer.
        if (v.archive.empty()) continue;
        const ArchiveFamily* family = ArchiveFamilyOf(v.type);
        ASSERT_NE(family, nullptr);
        ArchiveEntry entry;
        ASSERT_EQ(d.archive(v.archive, from, entry), QString());
        ArchiveEntry untouched;
        EXPECT_NE(d.archive(v.archive, other, untouched), QString());
        EXPECT_TRUE(untouched.empty());
        ASSERT_EQ(entry.size(), static_cast<std::size_t>(v.systems));
        for (std::size_t s = 0; s < entry.size(); ++s) {
            SCOPED_TRACE(s == 0 ? "system 1" : "system 2");
            EXPECT_EQ(entry[s].Layout(), family->layout);
            const Bytes record = ExpectedRecord(v, s);
            EXPECT_EQ(entry[s].Bytes(), record);
            const QByteArray file = ArchiveFileBytes(*family, {entry}, static_cast<int>(s));
            EXPECT_EQ(Bytes(file.begin(), file.end()), record);
            const ArchiveFileContent loaded = ParseArchiveFile(*family, file, QStringLiteral("%f"));
            ASSERT_EQ(loaded.entries.size(), 1u);
            EXPECT_EQ(loaded.entries[0][0].Bytes(), record);
            const Grid cells = ArchiveTableCells(*family, {entry}, static_cast<int>(s), QStringLiteral("%f"));
            ASSERT_EQ(cells.size(), 3);
            QStringList header1, header2, row;
            for (const ArchiveColumnVector& c : v.archiveColumns) {
                header1 << QString::fromUtf8(c.header1);
                header2 << QString::fromUtf8(c.header2);
                row << QString::fromUtf8(s == 0 ? c.system1 : c.system2);
            }
            EXPECT_EQ(cells[0], header1);
            EXPECT_EQ(cells[1], header2);
            EXPECT_EQ(cells[2], row);
            if (s == 0) {
                const struct {
                    int kind;
                    const std::vector<const char*>& row;
                } kinds[] = {{kDailyArchive, v.dailyRow}, {kHourlyArchive, v.hourlyRow}};
                for (const auto& k : kinds)
                    EXPECT_EQ(SelectColumns(cells, ArchiveColumnCodes(*family, k.kind), 1).value(2), Texts(k.row))
                        << "kind " << k.kind;
            }
        }
        // The read procedure finds the record's hour and day number in the answer.
        const ArchiveProcedure* procedure = ArchiveProcedureOf(v.type);
        ASSERT_NE(procedure, nullptr);
        EXPECT_EQ(procedure->record, family->layout);
        const auto at = [&](int offset) { return static_cast<int>(v.archive.at(static_cast<std::size_t>(offset))); };
        EXPECT_EQ(at(procedure->responseHourOffset), 21);
        EXPECT_EQ(at(procedure->responseDayOffset) + 256 * at(procedure->responseDayOffset + 1), 1215);
        ArchiveEntry again;
        ASSERT_EQ(procedure->decode(v.archive, from, again), QString());
        EXPECT_EQ(again, entry);

        Frame encoded(v.archive.size(), 0);
        ASSERT_TRUE(EncodeArchiveFields(entry, d.archiveLayout, encoded));
        EXPECT_EQ(DataOf(encoded), DataOf(v.archive)) << "archive encoded back";
    }
}

// The totals of a difference view weigh each temperature by the volume of
// its own pipe. Two difference entries with the volumes of the pipes in other
// ratios: supply 80 °C over 1 м3 and 40 °C over 3 м3 gives 50 °C, weighted by
// the wrong volume 70 °C. Offsets are those of the record tables.
TEST_F(FamilyVectors, DifferenceTotalsWeighEachTemperatureByItsOwnVolume) {
    const struct {
        int type;
        std::array<int, 3> volumes;       // supply, return, hot-water or additional pipe
        std::array<int, 3> temperatures;  // supply, return, hot water or additional
        bool hundredths;
    } cases[] = {
        {234, {16, 24, 32}, {128, 136, 144}, false}, {229, {16, 24, 32}, {80, 88, 96}, false},
        {228, {16, 24, 32}, {80, 88, 96}, false},    {227, {16, 24, 32}, {48, 52, 56}, true},
        {225, {16, 24, 32}, {64, 68, 72}, true},
    };
    // Newest first; the cumulative volumes give the differences (1, 3, 2) and
    // (3, 1, 2), which keep the temperatures of their newer entry.
    const struct {
        int day;
        std::array<double, 3> volumes;
        std::array<double, 3> temperatures;
    } entries[] = {{1215, {4, 4, 4}, {80, 40, 60}}, {1214, {3, 1, 2}, {40, 80, 20}}, {1213, {0, 0, 0}, {0, 0, 0}}};
    const std::array<double, 3> expected{50, 50, 40};

    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        const ArchiveFamily* family = ArchiveFamilyOf(c.type);
        ASSERT_NE(family, nullptr);
        ArchiveList list;
        for (const auto& e : entries) {
            ArchiveEntry entry = ZeroEntry(*family->layout);
            for (ArchiveRecord& r : entry) {
                r.SetDay(e.day);
                for (std::size_t j = 0; j < 3; ++j) {
                    r.SetReal(c.volumes[j], e.volumes[j]);
                    if (c.hundredths)
                        r.SetInt(c.temperatures[j], static_cast<std::int32_t>(e.temperatures[j] * 100));
                    else
                        r.SetReal(c.temperatures[j], e.temperatures[j]);
                }
            }
            list.push_back(entry);
        }
        const ViewRange range{DateOfDayNumber(1213), DateOfDayNumber(1215)};
        const ArchiveView view = BuildArchiveView(*family, list, kDailyDifference, range);
        ASSERT_TRUE(view.hasTotals);
        ASSERT_EQ(view.entries.size(), 3u);
        for (const ArchiveRecord& totals : view.entries.back())
            for (std::size_t j = 0; j < 3; ++j) {
                const double t = c.hundredths ? totals.Int(c.temperatures[j]) / 100.0 : totals.Real(c.temperatures[j]);
                EXPECT_EQ(t, expected[j]) << "temperature " << j + 1;
            }
    }
}

}  // namespace
}  // namespace omi
