// Windows-1251 text: any bytes decode, and encode back to the same bytes;
// Qt's converter and the built-in table agree on every byte string and on
// every text (unpaired surrogates and characters outside the code page
// included).
//
// The same texts made into file names (SafeFileName: names built from
// captions and logger names) never name another folder or nothing.
//
// Input: the bytes, read once as Windows-1251 and once as UTF-16 text.

#include "FuzzSupport.h"

#include "support/Paths.h"
#include "support/TextCodec.h"

using namespace omi;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const QString text = FromCp1251(bytes);
    OMI_FUZZ_CHECK(text.size() == bytes.size());
    OMI_FUZZ_CHECK(text == FromCp1251Builtin(bytes));
    OMI_FUZZ_CHECK(ToCp1251(text) == bytes);
    OMI_FUZZ_CHECK(ToCp1251Builtin(text) == bytes);

    const QString utf16(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
    const QByteArray encoded = ToCp1251(utf16);
    OMI_FUZZ_CHECK(encoded == ToCp1251Builtin(utf16));
    OMI_FUZZ_CHECK(FromCp1251(encoded).size() == encoded.size());

    for (const QString& name : {text, utf16}) {
        const QString safe = SafeFileName(name);
        OMI_FUZZ_CHECK(!safe.isEmpty() && safe != QStringLiteral(".") && !safe.contains(QStringLiteral("..")));
        OMI_FUZZ_CHECK(!safe.contains(QLatin1Char('/')) && !safe.contains(QLatin1Char('\\')));
        OMI_FUZZ_CHECK(!safe.contains(QLatin1Char(':')) && !safe.contains(QChar(0)));
        OMI_FUZZ_CHECK(SafeFileName(safe) == safe);
    }
    return 0;
}
