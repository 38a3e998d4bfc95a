#include "families/DeviceFamily.h"

#include <algorithm>
#include <array>

#include "archives/ArchiveProcedure.h"
#include "families/U128.h"
#include "families/U25.h"
#include "families/U25Archive.h"
#include "families/U27.h"
#include "families/U27Archive.h"
#include "families/U28.h"
#include "families/U29.h"
#include "families/U29Archive.h"
#include "families/U34.h"
#include "families/U34Archive.h"

namespace omi {

namespace {

constexpr std::array<const char*, 2> kTemperatureChoices{"МЕНЬШЕЙ температуре", "БОЛЬШЕЙ температуре"};
constexpr std::array<const char*, 3> kTemperatureAndPressureChoices{"МЕНЬШЕЙ температуре", "БОЛЬШЕЙ температуре",
                                                                    "ДАВЛЕНИЮ"};

// clang-format off
constexpr std::array<ConfigGridColumn, 15> kConfigGrid234{{
    {"вес имп", "датч №1", 0},    {"вес имп", "датч №2", 1},    {"вес имп", "датч №3", 2},  {"тип", "сист", 3},
    {"t°C ХВС", "первая", 4},     {"t°C ХВС", "вторая", 5},     {"нач 2-й t°C", "день", 6}, {"нач 2-й t°C", "м-ц", 7},
    {"кон 2-й t°C", "день", 8},   {"кон 2-й t°C", "м-ц", 9},    {"min", "объем", 10},       {"max", "объем", 11},
    {"отч", "день", 19},          {"призн", "сумм ош", 20},     {"призн", "исп 2-й t°C", 21},
}};
constexpr std::array<ConfigGridColumn, 15> kConfigGrid229{{
    {"вес имп", "датч №1", 0},    {"вес имп", "датч №2", 1},    {"вес имп", "датч №3", 2},  {"тип", "сист", 3},
    {"t°C ХВС", "первая", 4},     {"t°C ХВС", "вторая", 5},     {"нач 2-й t°C", "день", 6}, {"нач 2-й t°C", "м-ц", 7},
    {"кон 2-й t°C", "день", 8},   {"кон 2-й t°C", "м-ц", 9},    {"min", "объем", 10},       {"max", "объем", 11},
    {"отч", "день", 12},          {"призн", "сумм ош", 13},     {"призн", "исп 2-й t°C", 14},
}};
constexpr std::array<ConfigGridColumn, 6> kConfigGrid227{{
    {"вес имп", "датч №1", 0}, {"вес имп", "датч №2", 1}, {"вес имп", "ГВС", 2},
    {"вес имп", "датч №3", 3}, {"тип", "сист", 4},        {"t°C", "ХВС", 5},
}};
constexpr std::array<ConfigGridColumn, 11> kConfigGrid225{{
    {"вес имп", "датч №1", 0}, {"вес имп", "датч №2", 1},  {"вес имп", "датч №3", 2},  {"вес имп", "электро", 3},
    {"к-во", "тар", 4},        {"начало", "1 тарифа", 5},  {"начало", "2 тарифа", 6},  {"тип", "сист", 7},
    {"t°C", "ХВС", 8},         {"пр огр", "сч ГВС", 9},    {" t°C", "без ГВС", 10},
}};
constexpr std::array<ConfigGridColumn, 5> kConfigGridLors{{
    {"к-во", "кан", 0}, {"№ веса", "1 кан", 1}, {"№ веса", "2 кан", 2}, {"№ веса", "3 кан", 3}, {"№ веса", "4 кан", 4},
}};
// clang-format on

// The fields every family of the two-system calculators (228, 229/230,
// 234/235) shares.
template <class Driver>
constexpr DeviceFamily TwoSystemFamily(Family id) {
    return DeviceFamily{
        .id = id,
        .configCommand = cmd::ReadConfig,
        .decodeState = [](DeviceRecords& d, const DeviceAddress& from,
                          const Frame& r) { return Driver::DecState(r, from, Driver::State(d)); },
        .decodeConfig = [](DeviceRecords& d, const DeviceAddress& from,
                           const Frame& r) { return Driver::DecParam(r, from, Driver::Config(d)); },
        .stateTexts = [](const DeviceRecords& d, const DeviceModel&,
                         int system) { return Driver::StateToText(Driver::State(d), system); },
        .configTexts =
            [](const DeviceRecords& d) {
                return Driver::ParamToText(Driver::Config(d), 0) + Driver::ParamToText(Driver::Config(d), 1);
            },
        .configPerSystem = true,
        .resetConfig =
            [](DeviceRecords& d) {
                Driver::Config(d) = {Driver::DefaultConfig(), Driver::DefaultConfig()};
            },
        .stateTable = &Driver::StateTable,
        .configGrid = kConfigGrid229,
        .deviceErrors = &Driver::DeviceErrorTexts,
        .systemErrors = &Driver::SystemErrorTexts,
        .archive = &Driver::ArchiveTables,
        .procedure = nullptr,
        .dailyDepthDays = 0,
        .hourlyDepthDays = 0,
        .imitateState = nullptr,
        .randomArchiveLength = -1,
        .randomConfigLength = -1,
        .setNumberCommand = cmd::NetworkNumber,
        .writeConfigCommand = cmd::WriteConfig,
        .resultByte = true,
        .configMismatch = true,
        .calibration = CalibrationForm::PerSystem,
        .calibrationChoices = kTemperatureAndPressureChoices,
    };
}

// The drivers as the templates above see them.
struct Drv34 {
    static QString DecState(const Frame& r, const DeviceAddress& from, u34::StatePair& p) { return u34::DecState(r, from, p); }
    static QString DecParam(const Frame& r, const DeviceAddress& from, u34::ConfigPair& p) { return u34::DecParam(r, from, p); }
    static QStringList StateToText(const u34::StatePair& p, int s) { return u34::StateToText(p, s); }
    static QStringList ParamToText(const u34::ConfigPair& p, int s) { return u34::ParamToText(p, s); }
    static u34::StatePair& State(DeviceRecords& d) { return d.f234.state; }
    static const u34::StatePair& State(const DeviceRecords& d) { return d.f234.state; }
    static u34::ConfigPair& Config(DeviceRecords& d) { return d.f234.config; }
    static const u34::ConfigPair& Config(const DeviceRecords& d) { return d.f234.config; }
    static u34::ConfigRecord DefaultConfig() { return u34::DefaultConfig(); }
    static const StateLayoutTable& StateTable() { return u34::StateTable(); }
    static const QStringList& DeviceErrorTexts() { return u34::DeviceErrorTexts(); }
    static const QStringList& SystemErrorTexts() { return u34::SystemErrorTexts(); }
    static const ArchiveFamily& ArchiveTables() { return u34::ArchiveTables(); }
};

struct Drv29 {
    static QString DecState(const Frame& r, const DeviceAddress& from, u29::StatePair& p) { return u29::DecState(r, from, p); }
    static QString DecParam(const Frame& r, const DeviceAddress& from, u29::ConfigPair& p) { return u29::DecParam(r, from, p); }
    static QStringList StateToText(const u29::StatePair& p, int s) { return u29::StateToText(p, s); }
    static QStringList ParamToText(const u29::ConfigPair& p, int s) { return u29::ParamToText(p, s); }
    static u29::StatePair& State(DeviceRecords& d) { return d.f229.state; }
    static const u29::StatePair& State(const DeviceRecords& d) { return d.f229.state; }
    static u29::ConfigPair& Config(DeviceRecords& d) { return d.f229.config; }
    static const u29::ConfigPair& Config(const DeviceRecords& d) { return d.f229.config; }
    static u29::ConfigRecord DefaultConfig() { return u29::DefaultConfig(); }
    static const StateLayoutTable& StateTable() { return u29::StateTable(); }
    static const QStringList& DeviceErrorTexts() { return u29::DeviceErrorTexts(); }
    static const QStringList& SystemErrorTexts() { return u29::SystemErrorTexts(); }
    static const ArchiveFamily& ArchiveTables() { return u29::ArchiveTables(); }
};

struct Drv28 {
    static QString DecState(const Frame& r, const DeviceAddress& from, u28::StatePair& p) { return u28::DecState(r, from, p); }
    static QString DecParam(const Frame& r, const DeviceAddress& from, u28::ConfigPair& p) { return u28::DecParam(r, from, p); }
    static QStringList StateToText(const u28::StatePair& p, int s) { return u28::StateToText(p, s); }
    static QStringList ParamToText(const u28::ConfigPair& p, int s) { return u28::ParamToText(p, s); }
    static u28::StatePair& State(DeviceRecords& d) { return d.f228.state; }
    static const u28::StatePair& State(const DeviceRecords& d) { return d.f228.state; }
    static u28::ConfigPair& Config(DeviceRecords& d) { return d.f228.config; }
    static const u28::ConfigPair& Config(const DeviceRecords& d) { return d.f228.config; }
    static u28::ConfigRecord DefaultConfig() { return u28::DefaultConfig(); }
    static const StateLayoutTable& StateTable() { return u28::StateTable(); }
    static const QStringList& DeviceErrorTexts() { return u28::DeviceErrorTexts(); }
    static const QStringList& SystemErrorTexts() { return u28::SystemErrorTexts(); }
    static const ArchiveFamily& ArchiveTables() { return u28::ArchiveTables(); }
};

constexpr DeviceFamily Family234() {
    DeviceFamily f = TwoSystemFamily<Drv34>(Family::F234);
    f.configGrid = kConfigGrid234;
    f.procedure = &Procedure234;
    f.dailyDepthDays = 365;
    f.hourlyDepthDays = 45;
    return f;
}

constexpr DeviceFamily Family229() {
    DeviceFamily f = TwoSystemFamily<Drv29>(Family::F229);
    // A one-system model of this family keeps its values in the first record.
    f.stateTexts = [](const DeviceRecords& d, const DeviceModel& m, int system) {
        return u29::StateToText(d.f229.state, m.heatSystems == 1 ? 0 : system);
    };
    f.procedure = &Procedure229;
    f.dailyDepthDays = 61;
    f.hourlyDepthDays = 39;
    f.imitateState = &u29::ImitState;
    f.randomArchiveLength = 166;
    f.randomConfigLength = 46;
    return f;
}

constexpr DeviceFamily Family228() {
    DeviceFamily f = TwoSystemFamily<Drv28>(Family::F228);
    f.procedure = &Procedure228;
    f.panelDecodesSystemError = true;
    f.dailyDepthDays = 61;
    f.hourlyDepthDays = 39;
    f.imitateState = &u28::ImitState;
    f.randomArchiveLength = 166;
    f.randomConfigLength = 46;
    return f;
}

// Families 225 and 227: one heat system, one record of each kind, a single
// error code.
template <class Driver>
constexpr DeviceFamily OneSystemFamily(Family id) {
    return DeviceFamily{
        .id = id,
        .configCommand = cmd::ReadConfig,
        .decodeState = [](DeviceRecords& d, const DeviceAddress& from,
                          const Frame& r) { return Driver::DecState(r, from, Driver::State(d)); },
        .decodeConfig = [](DeviceRecords& d, const DeviceAddress& from,
                           const Frame& r) { return Driver::DecParam(r, from, Driver::Config(d)); },
        .stateTexts = [](const DeviceRecords& d, const DeviceModel&,
                         int) { return Driver::StateToText(Driver::State(d)); },
        .configTexts = [](const DeviceRecords& d) { return Driver::ParamToText(Driver::Config(d)); },
        .configPerSystem = false,
        .resetConfig = [](DeviceRecords& d) { Driver::Config(d) = Driver::DefaultConfig(); },
        .stateTable = &Driver::StateTable,
        .configGrid = Driver::kConfigGrid,
        .deviceErrors = &Driver::ErrorTexts,
        .systemErrors = nullptr,
        .archive = &Driver::ArchiveTables,
        .procedure = &Driver::Procedure,
        .dailyDepthDays = 127,
        .hourlyDepthDays = 42,
        .imitateState = &Driver::ImitState,
        .randomArchiveLength = Driver::kRandomArchiveLength,
        .randomConfigLength = Driver::kRandomConfigLength,
        .setNumberCommand = cmd::NetworkNumber,
        .writeConfigCommand = cmd::WriteConfig,
        .resultByte = Driver::kResultByte,
        .configMismatch = false,
        .calibration = CalibrationForm::TwoPoints,
        .calibrationChoices = kTemperatureChoices,
    };
}

struct Drv25 {
    static QString DecState(const Frame& r, const DeviceAddress& from, u25::StateRecord& s) { return u25::DecState(r, from, s); }
    static QString DecParam(const Frame& r, const DeviceAddress& from, u25::ConfigRecord& c) { return u25::DecParam(r, from, c); }
    static QStringList StateToText(const u25::StateRecord& s) { return u25::StateToText(s); }
    static QStringList ParamToText(const u25::ConfigRecord& c) { return u25::ParamToText(c); }
    static u25::StateRecord& State(DeviceRecords& d) { return d.f225.state; }
    static const u25::StateRecord& State(const DeviceRecords& d) { return d.f225.state; }
    static u25::ConfigRecord& Config(DeviceRecords& d) { return d.f225.config; }
    static const u25::ConfigRecord& Config(const DeviceRecords& d) { return d.f225.config; }
    static u25::ConfigRecord DefaultConfig() { return u25::DefaultConfig(); }
    static const StateLayoutTable& StateTable() { return u25::StateTable(); }
    static const QStringList& ErrorTexts() { return u25::ErrorTexts(); }
    static const ArchiveFamily& ArchiveTables() { return u25::ArchiveTables(); }
    static const ArchiveProcedure& Procedure() { return u25::Procedure225(); }
    static Frame ImitState(const Frame& request) { return u25::ImitState(request); }
    static constexpr std::span<const ConfigGridColumn> kConfigGrid = kConfigGrid225;
    static constexpr int kRandomArchiveLength = 49;
    static constexpr int kRandomConfigLength = 23;
    static constexpr bool kResultByte = false;  // a write answer counts as accepted
};

struct Drv27 {
    static QString DecState(const Frame& r, const DeviceAddress& from, u27::StateRecord& s) { return u27::DecState(r, from, s); }
    static QString DecParam(const Frame& r, const DeviceAddress& from, u27::ConfigRecord& c) { return u27::DecParam(r, from, c); }
    static QStringList StateToText(const u27::StateRecord& s) { return u27::StateToText(s); }
    static QStringList ParamToText(const u27::ConfigRecord& c) { return u27::ParamToText(c); }
    static u27::StateRecord& State(DeviceRecords& d) { return d.f227.state; }
    static const u27::StateRecord& State(const DeviceRecords& d) { return d.f227.state; }
    static u27::ConfigRecord& Config(DeviceRecords& d) { return d.f227.config; }
    static const u27::ConfigRecord& Config(const DeviceRecords& d) { return d.f227.config; }
    static u27::ConfigRecord DefaultConfig() { return u27::DefaultConfig(); }
    static const StateLayoutTable& StateTable() { return u27::StateTable(); }
    static const QStringList& ErrorTexts() { return u27::ErrorTexts(); }
    static const ArchiveFamily& ArchiveTables() { return u27::ArchiveTables(); }
    static const ArchiveProcedure& Procedure() { return u27::Procedure227(); }
    static Frame ImitState(const Frame& request) { return u27::ImitState(request); }
    static constexpr std::span<const ConfigGridColumn> kConfigGrid = kConfigGrid227;
    static constexpr int kRandomArchiveLength = 41;
    static constexpr int kRandomConfigLength = 16;
    static constexpr bool kResultByte = true;
};

// The ЛОРС water meter: one record for state and configuration, read with
// the state command; its own two-byte request forms; no archives, error codes
// or calibration.
constexpr DeviceFamily FamilyLors() {
    return DeviceFamily{
        .id = Family::Lors128,
        .configCommand = cmd::State,
        .decodeState = [](DeviceRecords& d, const DeviceAddress& from,
                          const Frame& r) { return u128::DecState(r, from, d.lors.state); },
        .decodeConfig = [](DeviceRecords& d, const DeviceAddress& from,
                           const Frame& r) { return u128::DecParam(r, from, d.lors.config); },
        .stateTexts = [](const DeviceRecords& d, const DeviceModel&, int) { return u128::StateToText(d.lors.state); },
        .configTexts = [](const DeviceRecords& d) { return u128::ParamToText(d.lors.config); },
        .configPerSystem = false,
        .resetConfig = [](DeviceRecords& d) { d.lors.config = u128::DefaultConfig(); },
        .stateTable = &u128::StateTable,
        .configGrid = kConfigGridLors,
        .deviceErrors = nullptr,
        .systemErrors = nullptr,
        .archive = nullptr,
        .procedure = nullptr,
        .dailyDepthDays = 0,
        .hourlyDepthDays = 0,
        .imitateState = [](const Frame& request) { return u128::ImitState(request).frame; },
        .randomArchiveLength = -1,
        .randomConfigLength = -1,
        .setNumberCommand = cmd::ClearArchives,  // the ЛОРС network-number form
        .writeConfigCommand = cmd::LorsWriteConfig,
        .resultByte = false,  // the result is derived from the answer's serial number or configuration
        .configMismatch = false,
        .calibration = CalibrationForm::None,
        .calibrationChoices = {},
        .shownStateLines = [](const DeviceRecords& d) { return u128::ShownStateLines(d.lors.state.channels); },
    };
}

// The write request of a family's configuration builder result.
template <class Built>
ConfigWritePlan PlanFrom(const Built& built, const DeviceAddress& to) {
    ConfigWritePlan plan;
    if (!built.ok) {
        plan.error = built.error;
        return plan;
    }
    if constexpr (requires { built.mismatch; }) plan.mismatch = built.mismatch;
    if (!plan.mismatch.isEmpty()) return plan;
    plan.request = BuildFrame(to, cmd::WriteConfig, built.data, &plan.error);
    return plan;
}

template <auto SetPar, class Driver>
ConfigWritePlan PlanCurrent(const DeviceRecords& d, const DeviceAddress& to) {
    return PlanFrom(SetPar(Driver::Config(d)), to);
}

constexpr DeviceFamily WithWrites(DeviceFamily f, ConfigWritePlan (*plan)(const DeviceRecords&, const DeviceAddress&),
                                  bool refusalSilent = false) {
    f.planConfigWrite = plan;
    f.writeRefusalSilent = refusalSilent;
    return f;
}

ConfigWritePlan PlanLors(const DeviceRecords& d, const DeviceAddress& to) {
    ConfigWritePlan plan;
    plan.request = u128::ConfigWriteRequest(to.serial, d.lors.config, &plan.error);
    return plan;
}

constexpr DeviceFamily LorsWithWrites() {
    DeviceFamily f = WithWrites(FamilyLors(), &PlanLors);
    f.setNumberRequest = [](const DeviceAddress& to, int number, QString* error) {
        return u128::NetworkNumberRequest(to.serial, number, error);
    };
    f.setNumberResult = &u128::NetworkNumberResult;
    f.configWriteResult = [](const DeviceRecords& d, const Frame& r) { return u128::ConfigWriteResult(r, d.lors.config); };
    f.configWriteAnswerLength = u128::kStateLength;  // the configuration as the device now holds it
    f.adoptWrittenConfig = [](DeviceRecords& d, const Frame& request) {
        d.lors.config = u128::WrittenConfig(request, d.lors.config);
    };
    return f;
}

constexpr DeviceFamily kLors = LorsWithWrites();
// The 225 answers only a write it takes.
constexpr DeviceFamily k225 = WithWrites(OneSystemFamily<Drv25>(Family::F225),
                                         &PlanCurrent<&u25::SetPar, Drv25>, true);
constexpr DeviceFamily k227 =
    WithWrites(OneSystemFamily<Drv27>(Family::F227), &PlanCurrent<&u27::SetPar, Drv27>);
constexpr DeviceFamily k228 = WithWrites(Family228(), &PlanCurrent<&u28::SetPar, Drv28>);
constexpr DeviceFamily k229 = WithWrites(Family229(), &PlanCurrent<&u29::SetPar, Drv29>);
constexpr DeviceFamily k234 = WithWrites(Family234(), &PlanCurrent<&u34::SetPar, Drv34>);

// clang-format off
using CL = ChangeLogOffer;
constexpr std::array<DeviceModel, 10> kModels{{
    // type  name            systems pressure report oldest first  change log  logger family
    {128, "ЛОРС",              1, false, "",   false, CL::None,          -1, &kLors},
    {225, "ОМИ-1 А1(А2)М",     1, false, "25", false, CL::None,           0, &k225},
    {227, "ОМИ-1 А3",          1, false, "27", false, CL::None,          -1, &k227},
    {228, "ОМИ-1 Б2",          2, true,  "28", false, CL::None,           4, &k228},
    {229, "ОМИ-1 Б4",          2, true,  "29", true,  CL::AlsoManual,     4, &k229},
    {230, "ОМИ-1 Б5",          1, true,  "30", false, CL::AlsoManual,     4, &k229},
    {234, "ОМИ-1 Б4М",         2, true,  "34", true,  CL::AfterIdentify,  8, &k234},
    {235, "ОМИ-1 Б5М",         1, true,  "30", false, CL::AfterIdentify,  8, &k234},
    {236, "ОМИ-1 Б4М new",     2, true,  "34", true,  CL::AfterIdentify, -1, &k234},
    {237, "ОМИ-1 Б5М new",     1, true,  "30", false, CL::AfterIdentify, -1, &k234},
}};
// clang-format on

}  // namespace

std::span<const DeviceModel> DeviceModels() { return kModels; }

const DeviceModel* DescriptorOf(int type) {
    const auto it =
        std::find_if(kModels.begin(), kModels.end(), [type](const DeviceModel& m) { return m.type == type; });
    return it == kModels.end() ? nullptr : &*it;
}

const DeviceFamily* FamilyFor(int type) {
    const DeviceModel* model = DescriptorOf(type);
    return model ? model->family : nullptr;
}

int HeatSystemsOf(int type) {
    const DeviceModel* model = DescriptorOf(type);
    return model ? model->heatSystems : 0;
}

CalibrationFacts CalibrationOf(int type) {
    const DeviceModel* model = DescriptorOf(type);
    if (!model || model->family->calibration == CalibrationForm::None) return {};
    const DeviceFamily& family = *model->family;
    CalibrationFacts facts;
    facts.form = family.calibration;
    facts.choices = family.calibrationChoices;
    facts.resultByte = family.resultByte;
    facts.systems = model->heatSystems;
    const bool pressure = family.calibrationChoices.size() > 2;
    if (model->heatSystems == 2) {
        facts.temperatureLabels = {"t°C  подачи 1-й системы", "t°C обратки 1-й системы", "t°C  подачи 2-й системы",
                                   "t°C обратки 2-й системы"};
        facts.pressureLabels = {"ток Ма 1 датчик 1-й системы", "ток Ма 2 датчик 1-й системы",
                                "ток Ма 1 датчик 2-й системы", "ток Ма 2 датчик 2-й системы"};
        facts.channelNames = {"1 датчик 1-й системы ", "2 датчик 1-й системы ", "1 датчик 2-й системы ",
                              "2 датчик 2-й системы "};
        facts.pressureChannels = pressure ? 4 : 0;
    } else {
        facts.temperatureLabels = {"t°C  подачи", "t°C обратки", "", ""};
        if (pressure) {
            facts.pressureLabels = {"ток Ма 1 датчик", "ток Ма 2 датчик", "", ""};
            facts.channelNames = {"1 датчик ", "2 датчик ", "", ""};
            facts.pressureChannels = 2;
        }
    }
    return facts;
}

}  // namespace omi
