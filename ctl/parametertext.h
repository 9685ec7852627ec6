// The nine parameters as orvane-ctl's users write and read them: the input
// weighting as dB, dBA or dBC, automatic brightness as on or off, every other
// one as a whole number within its range. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "device/parameternames.h"

// A code of a worded parameter that has no word (input 7) reads "unknown
// code 7": a script must not take it for a number of the parameter's range.
std::string ValueText(const ParameterName& name, int32_t value);
// The value as a JSON value: a string for words, a number otherwise.
std::string ValueJson(const ParameterName& name, int32_t value);
// False for a code no device has: an input other than 0, 1 and 2.
bool KnownValue(const ParameterName& name, int32_t value);

// False with a message that says what is accepted (the range, or the words)
// when the text is no value of this parameter. Nothing is ever clamped.
bool ParseValue(const ParameterName& name, std::string_view text, int32_t& value, std::string& error);

// A JSON string literal, always valid UTF-8: a byte that is no part of a
// well-formed UTF-8 character becomes U+FFFD, and every control character
// (C0, DEL, C1) an escape.
std::string JsonString(std::string_view text);

// Text a device (or any peer) sent, made safe for a terminal: printable
// ASCII and well-formed UTF-8 pass; control bytes, DEL, C1 controls, the
// characters that reorder text and bytes that are no UTF-8 are written as
// \xHH (or \u{HHHH}), so that no escape sequence reaches the terminal.
std::string TerminalText(std::string_view text);
