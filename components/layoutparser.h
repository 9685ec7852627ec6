// The layout text format: nested "object Name: TClass ... end" blocks holding
// "Property = value" lines. This unit turns text into a tree; the layout
// reader applies the tree to components. Portable.
//
// Values: integers (decimal, negative, $hex), floats, strings in single
// quotes with '' for a quote and #13-style character codes, joined with +;
// identifiers (enumeration values, colour names, handler and component
// names, True/False); sets [a, b]; lists ('a' 'b') over any number of lines;
// binary data {0A1B...} over any number of lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/sysutils.h"

// A layout that cannot be read. The message names the component, the
// property and the line; the parts are kept for callers that want them.
class ELayoutError : public EReadError {
public:
    ELayoutError(const std::string& reason, int line, const std::string& component = {},
                 const std::string& property = {});
    std::string Reason;
    int Line;
    std::string Component;
    std::string Property;
};

struct TLayoutValue {
    enum TKind { vaInteger, vaFloat, vaString, vaIdent, vaSet, vaList, vaBinary };
    TKind Kind = vaInteger;
    int Line = 0;
    int64_t Int = 0;
    double Float = 0;
    std::string Text;                  // strings and identifiers
    std::vector<std::string> SetItems; // identifiers of a set
    std::vector<TLayoutValue> Items;   // list items
    std::vector<uint8_t> Binary;

    std::string Describe() const; // short text for messages
};

struct TLayoutProperty {
    std::string Name; // may be dotted: "Font.Height"
    TLayoutValue Value;
    int Line = 0;
};

struct TLayoutObject {
    std::string Name; // empty for an unnamed object
    std::string ClassName;
    int Line = 0;
    std::vector<TLayoutProperty> Properties;
    std::vector<TLayoutObject> Children;
};

// Raises ELayoutError for text that is not one well-formed object.
TLayoutObject ParseLayout(std::string_view text);
