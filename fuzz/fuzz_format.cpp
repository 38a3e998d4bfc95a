// Format with any format text and any arguments (format texts come from
// report templates and settings the user edits): it never crashes or throws,
// and the text it gives stays short, however wide or precise the specifiers
// ask for ("%2147483647d" and the like). A text ValidFormatText refuses gives
// "%?" where it goes wrong.
//
// Input: the format text (UTF-8) up to a zero byte, then arguments, each a
// kind byte and its value:
//   0 signed 64-bit   1 unsigned 64-bit   2 double (8 bytes)
//   3 text: a length byte and that many UTF-8 bytes   4 small integer (1 byte, signed)

#include "FuzzSupport.h"

#include "support/Format.h"

#include <QList>

using namespace omi;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const QString format = QString::fromUtf8(in.TakeUntilZero());
    QList<FormatArg> args;
    qsizetype longestText = 0;
    double real = 0;
    while (!in.Empty() && args.size() < 64) {
        switch (in.Byte() % 5) {
        case 0: args.append(static_cast<std::int64_t>(in.Quad())); break;
        case 1: args.append(in.Quad()); break;
        case 2: real = in.Real(); args.append(real); break;
        case 3: {
            const QString text = QString::fromUtf8(in.Take(in.Byte()));
            longestText = std::max(longestText, text.size());
            args.append(text);
            break;
        }
        default: args.append(static_cast<std::int8_t>(in.Byte())); break;
        }
    }

    const QString out = Format(format, args);
    // Every specifier gives at most 99 blanks of width, a number of a few
    // dozen characters plus 99 decimals, or one of the texts.
    const qsizetype specifiers = format.count(QLatin1Char('%'));
    OMI_FUZZ_CHECK(out.size() <= format.size() + specifiers * (250 + longestText));

    QString why;
    if (!ValidFormatText(format, &why)) {
        OMI_FUZZ_CHECK(!why.isEmpty());
        OMI_FUZZ_CHECK(out.contains(FormatInvalid));
    } else {
        OMI_FUZZ_CHECK(why.isEmpty());
    }

    // Any int for the decimals (it is held to 0..99).
    const int decimals = args.isEmpty() ? 0 : static_cast<int>(static_cast<std::uint32_t>(args.front().intValue()));
    OMI_FUZZ_CHECK(FormatFloat(real, decimals).size() <= 250);

    // The display format of reals is user chosen too.
    const QString display = DisplayFormat();
    SetDisplayFormat(format);
    const QString shown = DisplayReal(real);
    SetDisplayFormat(display);
    OMI_FUZZ_CHECK(shown.size() <= format.size() + specifiers * 250);
    return 0;
}
