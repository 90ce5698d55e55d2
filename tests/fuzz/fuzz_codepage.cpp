// Code page 936 both ways. The same bytes are read once as UTF-8 (text the
// program holds) and once as GB18030 bytes (what the cipher gives back):
// - GB18030 loses nothing: UTF-8 -> GB18030 -> UTF-8 gives the text back, with
//   malformed UTF-8 read as U+FFFD, and UTF-16 does the same;
// - code page 936 differs from it only where a character has no code there
//   ('?'), and every code it writes is the one GbkCode names;
// - any bytes decode to well-formed UTF-8, and bytes that decode without a
//   replacement encode back to themselves (the euro sign has two codes).
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "text/codepage.h"
#include "text/utf.h"

using qm::fuzz::AsText;
using qm::fuzz::IsValidUtf8;
using qm::fuzz::Printable;
using namespace qm::text;

namespace {

void CheckText(std::string_view s) {
    std::string normal, viaGbk, codes;
    bool allInGbk = true;
    for (size_t pos = 0; pos < s.size();) {
        const char32_t cp = NextCodePoint(s, pos);
        AppendUtf8(normal, cp);
        const int code = GbkCode(cp);
        QM_FUZZ_CHECK(code >= -1 && code <= 0xFEFE && (code <= 0x80 || (code >= 0x8140 && (code & 0xFF) >= 0x40)),
                      "a code of code page 936 is one byte or a lead and a trail byte", std::to_string(cp));
        if (code < 0) {
            allInGbk = false;
            viaGbk += '?';
            codes += '?';
        } else {
            AppendUtf8(viaGbk, cp);
            if (code > 0xFF) codes += static_cast<char>(code >> 8);
            codes += static_cast<char>(code & 0xFF);
        }
    }
    QM_FUZZ_CHECK(IsValidUtf8(normal), "reading never yields malformed UTF-8", Printable(s));

    const std::string gb18030 = ToGb18030(s);
    const std::string back = FromGb18030(gb18030);
    QM_FUZZ_CHECK(back == normal, "GB18030 gives every character back", Printable(s) + " -> " + Printable(back));

    const std::string gbk = ToGbk(s);
    QM_FUZZ_CHECK(gbk == codes, "code page 936 writes GbkCode's bytes and '?' for what it lacks",
                  Printable(s) + " -> " + Printable(gbk) + ", expected " + Printable(codes));
    QM_FUZZ_CHECK(FromGb18030(gbk) == viaGbk, "code page 936 reads back what it wrote", Printable(s));
    if (allInGbk) QM_FUZZ_CHECK(gbk == gb18030, "GB18030 extends code page 936", Printable(s));

    const std::u16string wide = Utf8ToUtf16(s);
    QM_FUZZ_CHECK(Utf16ToUtf8(wide) == normal, "UTF-16 gives every character back", Printable(s));
    QM_FUZZ_CHECK(Utf16Length(s) == wide.size(), "the UTF-16 length counts the units written", Printable(s));
}

void CheckBytes(std::string_view bytes) {
    const std::string text = FromGb18030(bytes);
    QM_FUZZ_CHECK(IsValidUtf8(text), "any bytes decode to well-formed UTF-8",
                  Printable(bytes) + " -> " + Printable(text));
    // The euro sign reads from GB18030's A2E3 as well as from code page 936's
    // 0x80, and is written as 0x80.
    if (text.find("\xEF\xBF\xBD") == std::string::npos && bytes.find("\xA2\xE3") == std::string_view::npos)
        QM_FUZZ_CHECK(ToGb18030(text) == bytes, "bytes that decode cleanly encode back to themselves",
                      Printable(bytes) + " -> " + Printable(text) + " -> " + Printable(ToGb18030(text)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view s = AsText(data, size);
    CheckText(s);
    CheckBytes(s);
    return 0;
}
