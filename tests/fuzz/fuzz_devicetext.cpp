// What a device or any peer on the link says, as orvane-ctl prints it: on
// a terminal no byte that terminal acts on (control bytes, DEL, C1 controls,
// broken UTF-8), and in JSON always a well-formed string of valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ctl/parametertext.h"

namespace {

// Strict UTF-8, checked apart from the code under test: the length a lead
// byte announces, continuation bytes, no overlong forms, no surrogates,
// nothing past U+10FFFF. Calls `each` with every code point.
template <class Each> bool ValidUtf8(std::string_view s, Each each)
{
    for (size_t i = 0; i < s.size();) {
        const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
        const unsigned char c = b(i);
        size_t n = c < 0x80 ? 1 : c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        if (n == 0 || i + n > s.size()) return false;
        uint32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            if ((b(i + k) & 0xC0) != 0x80) return false;
            cp = cp << 6 | (b(i + k) & 0x3F);
        }
        static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        each(cp);
        i += n;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::string shown = TerminalText(text);
    bool safe = true;
    if (!ValidUtf8(shown, [&](uint32_t cp) { safe = safe && cp >= 0x20 && !(cp >= 0x7F && cp < 0xA0); }))
        __builtin_trap();
    if (!safe) __builtin_trap();

    const std::string json = JsonString(text);
    if (json.size() < 2 || json.front() != '"' || json.back() != '"') __builtin_trap();
    const std::string_view inner = std::string_view(json).substr(1, json.size() - 2);
    bool escaped = false, plain = true;
    if (!ValidUtf8(inner, [&](uint32_t cp) {
            if (escaped) {
                plain = plain && (cp == '"' || cp == '\\' || cp == 'u');
                escaped = false;
            } else if (cp == '\\') {
                escaped = true;
            } else {
                plain = plain && cp != '"' && cp >= 0x20;
            }
        }))
        __builtin_trap();
    if (!plain || escaped) __builtin_trap();
    return 0;
}
