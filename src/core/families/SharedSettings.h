#pragma once
// The configuration write of the two-system calculators (families 228, 229
// and 234): both heat systems keep a record of their own, but the settings
// the layout marks kCommon are one value in the device. The write encodes
// both records through the family's layout, reports the shared settings on
// which the two records disagree, and the editor copies the shared settings
// of one record into the other. One template serves every such family.

#include <QString>
#include <cmath>
#include <span>

#include "families/Layout.h"
#include "support/Format.h"

namespace omi {

struct ConfigWriteResult {
    bool ok = false;   // false: a value does not fit (no request may be sent)
    Frame data;        // the data bytes of command 4
    QString mismatch;  // names of the shared settings on which the records differ
    QString error;     // why ok is false
};

namespace shared_detail {

inline bool FitsWord(double v) {
    const double r = std::round(v);
    return r >= 0.0 && r <= 65535.0;
}

}  // namespace shared_detail

// The names of the shared settings as the write reports a disagreement of the
// two records, in the order they are compared.
template <class Rec>
QString SharedSettingsMismatch(const RecordPair<Rec>& pair) {
    const Rec& a = pair[0];
    const Rec& b = pair[1];
    QString m;
    if (a.coldT1 != b.coldT1) m += QStringLiteral(" t°С XBC ");
    if (a.coldT2 != b.coldT2) m += QStringLiteral(" доп. t°С XBC ");
    if (a.firstDay != b.firstDay || a.firstMonth != b.firstMonth || a.lastDay != b.lastDay ||
        a.lastMonth != b.lastMonth)
        m += QStringLiteral(" м-ц/день начала/конца ");
    if (a.reportDay != b.reportDay) m += QStringLiteral(" отч.день ");
    if (a.summing != b.summing) m += QStringLiteral(" Пр.сумм с ош ");
    if (a.secondT != b.secondT) m += QStringLiteral(" Пр.исп.2-й t°С ");
    return m;
}

// Empty when the weights and the system type of a record fit their fields;
// otherwise why not, naming the heat system.
template <class Rec>
QString CheckWeightsAndType(const Rec& rec, int system) {
    const QString who = Format(QStringLiteral("%d-я Система: "), {system + 1});
    const double weights[] = {rec.weight1, rec.weight2, rec.weight3};
    for (int k = 0; k < 3; ++k)
        if (!shared_detail::FitsWord(weights[k]))
            return who + Format(QStringLiteral("вес импульса %d = %g вне пределов 0..65535"), {k + 1, weights[k]});
    if (rec.systemType < 1 || rec.systemType > 256)
        return who + Format(QStringLiteral("тип системы %d вне пределов 1..256"), {rec.systemType});
    return {};
}

// The data of the write request: `sent` encoded through the layout (system 1
// first, so the shared bytes are system 2's) into `size` bytes with byte
// `unused` cleared; the mismatch is that of `pair`, the records as edited.
template <class Rec>
ConfigWriteResult EncodeConfigWrite(const RecordPair<Rec>& pair, const RecordPair<Rec>& sent,
                                    std::span<const FrameField<Rec>> layout, std::size_t size, std::size_t unused) {
    ConfigWriteResult result;
    result.data.assign(size, 0);
    if (!EncodeFields(sent, layout, result.data, 5)) {
        result.data.clear();
        result.error = QStringLiteral("значение конфигурации вне пределов своего поля");
        return result;
    }
    result.data[unused] = 0;
    result.mismatch = SharedSettingsMismatch(pair);
    result.ok = true;
    return result;
}

// Copies every field the layout marks kCommon from record s into the other
// record. An index outside 0..1 changes nothing.
template <class Rec>
void CopySharedFields(RecordPair<Rec>& pair, int s, std::span<const FrameField<Rec>> layout) {
    if (s < 0 || s > 1) return;
    for (const auto& f : layout) {
        if (f.offset2 != kCommon) continue;
        for (int k = 0; k < layout_detail::Elements(f); ++k)
            layout_detail::Store(pair[static_cast<std::size_t>(1 - s)], f.target,
                                 layout_detail::Load(pair[static_cast<std::size_t>(s)], f.target, k), k);
    }
}

}  // namespace omi
