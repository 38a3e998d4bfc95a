// The families' decoders on arbitrary answers: a decoder either refuses the
// frame or decodes it, never reads past its end; what it decoded is then
// turned into the texts the views show (arbitrary reals, NaN and infinities
// included).
//
// Input: decoder index (into kDecoders), fix-up bits, device type index (into
// the decoder's types), serial number (2 bytes, little-endian), then the
// answer. The fix-up bits make the answer pass the checks the fuzzer would
// otherwise need long to satisfy:
//   1 resize to the decoder's answer length    2 length byte = size
//   4 type and serial number of the device     8 the decoder's command
//   16 correct check byte
//
// A family's decoders are one line each in kDecoders.

#include "ArchiveFamilies.h"
#include "FuzzSupport.h"

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveView.h"
#include "families/U128.h"
#include "families/U25.h"
#include "families/U27.h"
#include "families/U28.h"
#include "families/U29.h"
#include "families/U34.h"
#include "protocol/Frame.h"
#include "support/Format.h"

#include <initializer_list>
#include <span>

using namespace omi;

namespace {

struct DecoderCase {
    const char* name;
    std::initializer_list<int> types;  // device types the decoder serves
    int command;
    int length;  // whole answer
    // Decodes the answer as one of the device asked (from) and shows it.
    void (*run)(const Frame& answer, const DeviceAddress& from);
};

// The table text of a decoded archive entry, as the archive view shows it
// (the family whose record layout the entry has).
void ArchiveTexts(const ArchiveEntry& entry) {
    if (entry.empty()) return;
    static const std::vector<const ArchiveFamily*> families = fuzz::ArchiveFamilies();
    const auto family = std::find_if(families.begin(), families.end(),
                                     [&](const ArchiveFamily* f) { return f->layout == entry.front().Layout(); });
    OMI_FUZZ_CHECK(family != families.end());
    const ArchiveList list{entry};
    for (int system = 0; system < static_cast<int>(entry.size()); ++system)
        (void)ArchiveTableCells(**family, list, system, DisplayFormat());
}

template <typename Pair>
void PairTexts(QStringList (*text)(const Pair&, int), const Pair& pair) {
    for (int system = 0; system < 2; ++system) (void)text(pair, system);
}

template <typename Record>
void OneTexts(QStringList (*text)(const Record&), const Record& record) {
    (void)text(record);
}

constexpr std::initializer_list<int> kU34Types{234, 235, 236, 237};
constexpr std::initializer_list<int> kU29Types{229, 230};

// clang-format off
const DecoderCase kDecoders[] = {
    {"U34.DecState", kU34Types, cmd::State, u34::kStateLength, [](const Frame& f, const DeviceAddress& from) { u34::StatePair p{}; if (u34::DecState(f, from, p).isEmpty()) PairTexts(u34::StateToText, p); }},
    {"U34.DecParam", kU34Types, cmd::ReadConfig, u34::kConfigLength, [](const Frame& f, const DeviceAddress& from) { u34::ConfigPair p{}; if (u34::DecParam(f, from, p).isEmpty()) { PairTexts(u34::ParamToText, p); (void)u34::SetPar(p); } }},
    {"U34.DecArh", kU34Types, cmd::ArchiveRecord, u34::kArchiveLength, [](const Frame& f, const DeviceAddress& from) { ArchiveEntry e; if (u34::DecArh(f, from, e).isEmpty()) ArchiveTexts(e); }},
    {"U29.DecState", kU29Types, cmd::State, u29::kStateLength, [](const Frame& f, const DeviceAddress& from) { u29::StatePair p{}; if (u29::DecState(f, from, p).isEmpty()) PairTexts(u29::StateToText, p); }},
    {"U29.DecParam", {228, 229, 230}, cmd::ReadConfig, u29::kConfigLength, [](const Frame& f, const DeviceAddress& from) { u29::ConfigPair p{}; if (u29::DecParam(f, from, p).isEmpty()) { PairTexts(u29::ParamToText, p); (void)u29::SetPar(p); } }},
    {"U29.DecArh", kU29Types, cmd::ArchiveRecord, u29::kArchiveLength, [](const Frame& f, const DeviceAddress& from) { ArchiveEntry e; if (u29::DecArh(f, from, e).isEmpty()) ArchiveTexts(e); }},
    {"U28.DecState", {228}, cmd::State, u28::kStateLength, [](const Frame& f, const DeviceAddress& from) { u28::StatePair p{}; if (u28::DecState(f, from, p).isEmpty()) PairTexts(u28::StateToText, p); }},
    {"U28.DecArh", {228}, cmd::ArchiveRecord, u28::kArchiveLength, [](const Frame& f, const DeviceAddress& from) { ArchiveEntry e; if (u28::DecArh(f, from, e).isEmpty()) ArchiveTexts(e); }},
    {"U27.DecState", {227}, cmd::State, u27::kStateLength, [](const Frame& f, const DeviceAddress& from) { u27::StateRecord r{}; if (u27::DecState(f, from, r).isEmpty()) OneTexts(u27::StateToText, r); }},
    {"U27.DecParam", {227}, cmd::ReadConfig, u27::kConfigLength, [](const Frame& f, const DeviceAddress& from) { u27::ConfigRecord r{}; if (u27::DecParam(f, from, r).isEmpty()) { OneTexts(u27::ParamToText, r); (void)u27::SetPar(r); } }},
    {"U27.DecArh", {227}, cmd::ArchiveRecord, u27::kArchiveLength, [](const Frame& f, const DeviceAddress& from) { ArchiveEntry e; if (u27::DecArh(f, from, e).isEmpty()) ArchiveTexts(e); }},
    {"U25.DecState", {225}, cmd::State, u25::kStateLength, [](const Frame& f, const DeviceAddress& from) { u25::StateRecord r{}; if (u25::DecState(f, from, r).isEmpty()) OneTexts(u25::StateToText, r); }},
    {"U25.DecParam", {225}, cmd::ReadConfig, u25::kConfigLength, [](const Frame& f, const DeviceAddress& from) { u25::ConfigRecord r{}; if (u25::DecParam(f, from, r).isEmpty()) { OneTexts(u25::ParamToText, r); (void)u25::SetPar(r); } }},
    {"U25.DecArh", {225}, cmd::ArchiveRecord, u25::kArchiveLength, [](const Frame& f, const DeviceAddress& from) { ArchiveEntry e; if (u25::DecArh(f, from, e).isEmpty()) ArchiveTexts(e); }},
    {"U128.DecState", {128}, cmd::State, u128::kStateLength, [](const Frame& f, const DeviceAddress& from) { u128::Record r{}; if (u128::DecState(f, from, r).isEmpty()) OneTexts(u128::StateToText, r); (void)u128::ConfigWriteResult(f, r); (void)u128::NetworkNumberResult(f, from.serial); }},
    {"U128.DecParam", {128}, cmd::State, u128::kStateLength, [](const Frame& f, const DeviceAddress& from) { u128::Record r{}; if (u128::DecParam(f, from, r).isEmpty()) OneTexts(u128::ParamToText, r); }},
};
// clang-format on

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const DecoderCase& decoder = kDecoders[in.Byte() % std::size(kDecoders)];
    const int fix = in.Byte();
    const int type = std::data(decoder.types)[in.Byte() % decoder.types.size()];
    const int serial = in.Word();
    const QByteArray bytes = in.Rest();
    Frame f = StringToFrame(bytes);

    if ((fix & 1) && decoder.length > 0) f.resize(static_cast<std::size_t>(decoder.length), 0);
    if ((fix & 2) && !f.empty()) f[0] = static_cast<std::uint8_t>(f.size());
    if ((fix & 4) && f.size() >= 4) {
        f[1] = static_cast<std::uint8_t>(type);
        f[2] = static_cast<std::uint8_t>(serial & 0xFF);
        f[3] = static_cast<std::uint8_t>(serial >> 8);
    }
    if ((fix & 8) && f.size() >= 5) f[4] = static_cast<std::uint8_t>(decoder.command);
    if ((fix & 16) && !f.empty()) f.back() = FrameCheckByte(f.data(), f.size() - 1);

    decoder.run(f, {serial, type});
    return 0;
}
