// The nine parameters as orvane-ctl's users write and read them: the input
// weighting as dB, dBA or dBC, automatic brightness as on or off, every other
// one as a whole number within its range. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "device/parameternames.h"

std::string ValueText(const ParameterName& name, int32_t value);
// The value as a JSON value: a string for words, a number otherwise.
std::string ValueJson(const ParameterName& name, int32_t value);

// False with a message that says what is accepted (the range, or the words)
// when the text is no value of this parameter. Nothing is ever clamped.
bool ParseValue(const ParameterName& name, std::string_view text, int32_t& value, std::string& error);

// A JSON string literal.
std::string JsonString(std::string_view text);
