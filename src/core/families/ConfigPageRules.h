#pragma once
// How the configuration editors turn a family's configuration record into
// the texts and states of their controls and back. The window builds the
// controls; everything it shows and everything it stores goes through here.
//
// Two-system editors (families 234/235, 229/230, 228): a system-type box,
// eight value edits (pulse weights 1..3, report day, minimum and maximum
// flow, first and second cold-water temperature), for 234/235 six contract
// values with their flag check boxes, the summing and second-temperature
// check boxes and two day/month pickers. Family 227: type box and five edits.
// ЛОРС: channel count and four weight numbers. Family 225: U25.h
// (PageToConfig).

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "families/U128.h"
#include "families/U27.h"
#include "families/U29.h"
#include "families/U34.h"

namespace omi::cfgpage {

// A number as typed, with a decimal comma or point; none when it is not a
// finite number.
std::optional<double> ParseNumber(const QString& text);
// A whole number as typed (blanks around it allowed).
std::optional<int> ParseInteger(const QString& text);

// --- family 234/235 pulse weights -----------------------------------------
// The word keeps the unit in bit 15: set, pulses per litre × 100 (the low
// 15 bits); clear, litres per pulse × 10.
inline constexpr int kUnitBit = 0x8000;
struct WeightView {
    QString text;         // "%.2f" имп/л or "%.1f" л/имп
    bool pulsesPerLitre;  // the label reads " имп/л" (red) instead of " л/имп" (navy)
};
WeightView U34WeightView(double word);
// The word of a typed number: round(n × 100) or 0x8000 in имп/л, n × 10 in
// л/имп (12.34 имп/л -> 34002, 12.34 л/имп -> 123.4, sent as 123).
double U34WeightWord(double typed, bool pulsesPerLitre);
// The word after a click on the weight's label: the unit bit flips, the
// low bits stay.
double U34ToggleUnit(double word);
QString U34WeightLabel(int k, bool pulsesPerLitre);  // k = 1..3, with its unit

// The contract-value flag bit of a heat system (0 or 1) for contract value
// index 0..5 (Tп, Tо, Tх, Pп, Pо, Pх): system 1 bits 0, 1, 2, 8, 9, 10,
// system 2 bits 3, 4, 5, 11, 12, 13.
int ContractFlagBit(int system, int index);

// A day and month the pickers can show in a year: a month outside 1..12
// becomes 1, then a day outside 1..(days of that month) becomes 1.
struct DayMonth {
    int day = 1;
    int month = 1;
};
DayMonth ValidDayMonth(int day, int month, int year);

// The label of contract edit 0..5 of family 234/235: "Договорное Tп" ..
// "Договорное Pх".
QString ContractLabel(int index);

// The system-type box: true for a type text naming an open system.
bool IsOpenSystem(const QString& typeText);

// --- two-system editors ---------------------------------------------------
enum class TwoSystemFamily { U34, U29, U28 };

struct SystemPage {
    int typeIndex = -1;  // −1: the box shows typeText, not an item
    QString typeText;
    std::array<QString, 8> values;         // value edits 1..8
    std::array<QString, 8> labels;         // their labels (weights with the unit for 234/235)
    std::array<bool, 3> pulsesPerLitre{};  // 234/235 weight units
    std::array<QString, 6> contracts;      // 234/235 only
    std::array<bool, 6> contractFlags{};
    bool summingChecked = false;  // "Суммировать при наличии нефатальных ошибок"
    bool secondChecked = false;   // "Использовать 2-ю t°C ..."
    DayMonth first, last;
};

// The value edit labels of a family (weights of 234/235 without their unit)
// and the text of the second check box ("Использовать " + label 8 with "я"
// turned into "ю").
std::array<QString, 8> ValueLabels(TwoSystemFamily family);
QString SecondCheckText(TwoSystemFamily family);

// The page of one heat system of a pair. The day and month bytes are first
// made valid for the year (ValidDayMonth) in both records of the pair, so the
// pickers and the record agree.
SystemPage LoadPage(u34::ConfigPair& pair, int system, int year);
SystemPage LoadPage(TwoSystemFamily family, u29::ConfigPair& pair, int system, int year);

struct Collected {
    QString status;        // the last status text of the collection
    bool error = false;    // red (error) or green (success)
    bool stopped = false;  // a value did not fit: the fields after it keep their earlier values
    // The edit the red status names: value edits 0..7 (227: 0..4), contract
    // edits 8..13; -1 when the page is right.
    int badField = -1;
    bool openSystem = false;
    bool coldT1Enabled = false;  // edit 7, its label, the second check box
    bool secondEnabled = false;  // edit 8, its label, both pickers
};

// Collects the page into the record of the edited heat system (the caller
// then shares the common settings with the other record). Fields that
// cannot be taken keep the record's earlier values.
// 234/235: type; the six flag bits of the system; weights (unit from the
// page); contract values; reserved words 0; report day (outside 1..31
// named); flows; cold-water temperatures (whole numbers ≥ 0, else not set);
// open system; dates; flags. Status texts "правильные значения" and
// "<label>="<text>"-неправильное значение". A text that is not a number
// (where a number is asked for) is never taken as 0 or 255: it is named, the
// field keeps its value and the collection stops there.
Collected CollectPage(const SystemPage& page, int system, u34::ConfigRecord& rec);
// 229/230 as 234/235 without the contract values; 228 checks the weights,
// with "правильное значение" and "<text>-неправильное значение", and names
// the other values only when they are not numbers.
Collected CollectPage(TwoSystemFamily family, const SystemPage& page, u29::ConfigRecord& rec);

// --- family 227 ------------------------------------------------------------
struct U27Page {
    int typeIndex = -1;
    QString typeText;
    std::array<QString, 5> values;  // weights 1, 2, hot water, 3; cold-water temperature
};
const std::array<QString, 5>& U27Labels();
U27Page LoadPage(const u27::ConfigRecord& rec);
// Weights as typed (a negative or unreadable one stops with the red text
// made of its label); the temperature as a whole number ≥ 0 (else stops).
Collected CollectPage(const U27Page& page, u27::ConfigRecord& rec);

// --- ЛОРС --------------------------------------------------------------------
struct LorsPage {
    QString channels;  // the chosen item of "1", "2", "4"
    std::array<QString, 4> weights;
};
struct LorsCollected {
    QString status;
    bool error = false;
    int badWeight = -1;             // the weight edit (0..3) the red status names
    std::array<QString, 4> labels;  // "вес,N кан" with ", <litres> литр/имп" after a valid number
    int channels = 4;
};
LorsPage LoadLorsPage(const u128::Record& rec);
QString LorsLabel(int channel);  // "вес,1 кан" ...
// Channel count = the item (4 when not a number); each weight number must be
// 0..3, the numbers the configuration write can carry: another value (or no
// number) stops with "<text>-неправильное значение" and the channel keeps
// its earlier number.
LorsCollected CollectLorsPage(const LorsPage& page, u128::Record& rec);

// --- level-0 configuration grid -------------------------------------------
struct GridColumn {
    QString heading1, heading2;
    int line;  // index into ParamToText of one heat system
};
// The columns of a device type (empty for an unknown type).
QList<GridColumn> ConfigGridColumns(int deviceType);

}  // namespace omi::cfgpage
