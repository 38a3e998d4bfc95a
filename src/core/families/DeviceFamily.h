#pragma once
// What the program knows about each device type, in one place. A family
// (one driver: frames, records, texts, archive tables and read rules) serves
// one or more device type codes; a model is one type code with the facts
// that differ between the codes of a family (name, heat systems, report
// items, logger group). Every part of the program that depends on the device
// type asks these descriptors instead of testing type codes itself; adding a
// device type means adding its model (and, for a new driver, its family).

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <span>
#include <vector>

#include "families/DeviceRecords.h"
#include "families/StateLayout.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"

namespace omi {

struct ArchiveFamily;
struct ArchiveProcedure;

// The request forms of the calibration (command 13).
enum class CalibrationForm {
    None,       // the family has no calibration
    TwoPoints,  // 9 data bytes: point code, supply and return references
    PerSystem,  // point or pressure-channel code, then the references of both heat systems
};

// When the change-log action is offered for a model.
enum class ChangeLogOffer {
    None,
    AfterIdentify,  // after an identification
    AlsoManual,     // also when the device is addressed by hand
};

// A column of the level-0 configuration grid: its headings (UTF-8) and the
// index of the ParamToText line of one heat system it shows.
struct ConfigGridColumn {
    const char* heading1;
    const char* heading2;
    int line;
};

struct DeviceModel;

// The configuration write of a configuration record: the whole
// request, or why none may be sent. A mismatch lists the settings the heat
// systems share on which their records disagree; nothing is sent then.
struct ConfigWritePlan {
    std::optional<Frame> request;
    QString mismatch;
    QString error;
};

struct DeviceFamily {
    Family id;

    // State and configuration of a device: the read command of the
    // configuration, the decoders that fill the family's records of a
    // connection from the answer of the device asked (an empty text:
    // accepted) and the texts of those records.
    int configCommand;
    QString (*decodeState)(DeviceRecords& records, const DeviceAddress& from, const Frame& response);
    QString (*decodeConfig)(DeviceRecords& records, const DeviceAddress& from, const Frame& response);
    // The state texts of one heat system (index 0 or 1) of a model.
    QStringList (*stateTexts)(const DeviceRecords& records, const DeviceModel& model, int system);
    // The configuration texts, system 1 first where configPerSystem.
    QStringList (*configTexts)(const DeviceRecords& records);
    bool configPerSystem;                     // one configuration record per heat system
    void (*resetConfig)(DeviceRecords& records);  // the configuration becomes the default
    const StateLayoutTable& (*stateTable)();
    std::span<const ConfigGridColumn> configGrid;
    // Error-bit texts of the device and of a heat system; null where the
    // family has no such code.
    const QStringList& (*deviceErrors)();
    const QStringList& (*systemErrors)();

    // Archives; null / 0 for a family without them. The ring sizes and the
    // record hour and day offsets of the archive answer are the procedure's.
    const ArchiveFamily& (*archive)();
    const ArchiveProcedure& (*procedure)();
    int dailyDepthDays;   // the "весь архив" range of the daily kinds
    int hourlyDepthDays;  // and of the hourly kinds

    // Imitation mode: the state answer (null: none) and the lengths of the
    // random archive-record and configuration answers (-1: the caller's frame
    // keeps its length).
    Frame (*imitateState)(const Frame& request);
    int randomArchiveLength;
    int randomConfigLength;

    // Writes: the set-number and configuration-write commands, whether byte 5
    // of a write answer is a result, and whether the configuration writer can
    // find settings on which the heat systems disagree.
    int setNumberCommand;
    int writeConfigCommand;
    bool resultByte;
    bool configMismatch;

    // Calibration: its request form and its choices ("Калибровка по:").
    CalibrationForm calibration;
    std::span<const char* const> calibrationChoices;

    // The state lines shown for the state record (the ЛОРС hides the
    // channels above its channel count); null: every line.
    std::vector<bool> (*shownStateLines)(const DeviceRecords& records) = nullptr;
    // A double-click on the free area of the state panel decodes the system
    // error code of the selected heat system.
    bool panelDecodesSystemError = false;

    // Writes (the confirmed one-request actions). The configuration write of
    // the record, to the device addressed; the set-number request in the family's own form
    // (null: command 240 with its guard bytes); results judged from the
    // answer's content instead of its result byte (null: byte 5); and whether
    // the device refuses a write by not answering at all.
    ConfigWritePlan (*planConfigWrite)(const DeviceRecords& records, const DeviceAddress& to) = nullptr;
    std::optional<Frame> (*setNumberRequest)(const DeviceAddress& to, int number, QString* error) = nullptr;
    int (*setNumberResult)(const Frame& response, int number) = nullptr;
    int (*configWriteResult)(const DeviceRecords& records, const Frame& response) = nullptr;
    // The length of the answer to a configuration write that configWriteResult
    // reads (0: the answer of every write, a result byte after the address).
    int configWriteAnswerLength = 0;
    bool writeRefusalSilent = false;
    // A configuration write request from elsewhere (a saved file) becomes the
    // record before its answer is judged; null where the judgement does not
    // read the record.
    void (*adoptWrittenConfig)(DeviceRecords& records, const Frame& request) = nullptr;
};

struct DeviceModel {
    int type;
    const char* name;         // UTF-8
    int heatSystems;          // shown and reported: 1 or 2
    bool pressure;            // measures pressure
    const char* reportItems;  // the ending of the report item set and templates ("25", "30", …); empty: none
    bool reportOldestFirst;   // the report rows run from the oldest entry
    ChangeLogOffer changeLog;
    int loggerGroup;  // first column of the group in the archive description table; -1: none
    const DeviceFamily* family;
};

// The models in type-code order.
std::span<const DeviceModel> DeviceModels();

// The model of a type code; null for a code no model has.
const DeviceModel* DescriptorOf(int type);
// The family of a type code; null for a code no model has.
const DeviceFamily* FamilyFor(int type);

// Heat systems of a type code: 1 or 2; 0 for an unknown code.
int HeatSystemsOf(int type);

// The calibration of a model: its family's request form and choices
// ("Калибровка по:"), whether byte 5 of the answer is a result code (the
// family's resultByte: 225 answers with the measured values at once), and
// what follows from the number of heat systems served: the rows of
// reference edits shown (a one-system device still gets system 2's
// references sent), the labels of the four reference edits (system 1
// supply, system 1 return, system 2 supply, system 2 return) for a
// temperature and for the pressure choice, the names of the pressure
// channels 2..5 in status texts and how many of them the device has.
// Texts are UTF-8; "" where the device has no such edit or channel.
struct CalibrationFacts {
    CalibrationForm form = CalibrationForm::None;
    std::span<const char* const> choices;
    bool resultByte = true;
    int systems = 1;
    std::array<const char*, 4> temperatureLabels{"", "", "", ""};
    std::array<const char*, 4> pressureLabels{"", "", "", ""};
    std::array<const char*, 4> channelNames{"", "", "", ""};
    int pressureChannels = 0;  // channel codes 2 .. 1 + pressureChannels
};

// The calibration facts of a type code; form None and no choices for a type
// without calibration or an unknown code.
CalibrationFacts CalibrationOf(int type);

}  // namespace omi
