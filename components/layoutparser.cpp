#include "components/layoutparser.h"

#include <charconv>
#include <cmath>

ELayoutError::ELayoutError(const std::string& reason, int line, const std::string& component,
                           const std::string& property)
    : EReadError([&] {
          std::string where;
          if (!component.empty()) where = component;
          if (!property.empty()) where += (where.empty() ? "" : ".") + property;
          return (where.empty() ? std::string("Error") : "Error reading " + where) + " at line " +
                 std::to_string(line) + ": " + reason;
      }()),
      Reason(reason), Line(line), Component(component), Property(property)
{
}

std::string TLayoutValue::Describe() const
{
    switch (Kind) {
    case vaInteger:
        return std::to_string(Int);
    case vaFloat: {
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, Float);
        return std::string(buf, r.ptr);
    }
    case vaString:
        return "'" + (Text.size() > 40 ? Text.substr(0, 40) + "..." : Text) + "'";
    case vaIdent:
        return Text;
    case vaSet:
        return "set";
    case vaList:
        return "list";
    case vaBinary:
        return "binary data";
    }
    return {};
}

namespace {

// Deep enough for any real form, shallow enough for the stack.
constexpr int kMaxDepth = 200;

enum TokenKind { tkEOF, tkIdent, tkInteger, tkFloat, tkString, tkSymbol };

struct Token {
    TokenKind kind = tkEOF;
    std::string text; // identifier, string value or the symbol
    int64_t intValue = 0;
    double floatValue = 0;
    int line = 1;
};

bool IsAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
int HexValue(char c)
{
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendCodePoint(std::string& s, uint32_t cp)
{
    if (cp < 0x100) {
        s += static_cast<char>(cp); // the process code page, as written
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | cp >> 6);
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | cp >> 12);
        s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | cp >> 18);
        s += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class Parser {
public:
    explicit Parser(std::string_view text) : s_(text) { Next(); }

    TLayoutObject ParseRoot()
    {
        TLayoutObject root = ParseObject(0);
        if (tok_.kind != tkEOF) Fail("End of text expected but " + Describe(tok_) + " found");
        return root;
    }

private:
    [[noreturn]] void Fail(const std::string& reason) const
    {
        throw ELayoutError(reason, tok_.line, object_);
    }

    static std::string Describe(const Token& t)
    {
        switch (t.kind) {
        case tkEOF:
            return "end of text";
        case tkIdent:
            return "'" + t.text + "'";
        case tkInteger:
        case tkFloat:
            return "number";
        case tkString:
            return "string";
        case tkSymbol:
            return "'" + t.text + "'";
        }
        return {};
    }

    bool IsSymbol(char c) const
    {
        return tok_.kind == tkSymbol && tok_.text.size() == 1 && tok_.text[0] == c;
    }
    bool IsKeyword(const char* word) const { return tok_.kind == tkIdent && SameText(tok_.text, word); }

    void Expect(char c)
    {
        if (!IsSymbol(c)) Fail(std::string("'") + c + "' expected but " + Describe(tok_) + " found");
        Next();
    }

    std::string ExpectIdent(const char* what)
    {
        if (tok_.kind != tkIdent) Fail(std::string(what) + " expected but " + Describe(tok_) + " found");
        std::string id = tok_.text;
        Next();
        return id;
    }

    // ---- lexer

    void SkipBlanks()
    {
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (c == '\n') {
                ++line_;
            } else if (c == '\r') {
                if (pos_ + 1 >= s_.size() || s_[pos_ + 1] != '\n') ++line_;
            } else if (static_cast<unsigned char>(c) > ' ') {
                break;
            }
            ++pos_;
        }
    }

    void Next()
    {
        SkipBlanks();
        tok_ = Token{};
        tok_.line = line_;
        if (pos_ >= s_.size()) return;
        const char c = s_[pos_];
        if (IsAlpha(c)) {
            size_t start = pos_;
            while (pos_ < s_.size() && (IsAlpha(s_[pos_]) || IsDigit(s_[pos_])))
                ++pos_;
            tok_.kind = tkIdent;
            tok_.text = std::string(s_.substr(start, pos_ - start));
        } else if (IsDigit(c)) {
            LexNumber();
        } else if (c == '$') {
            LexHex();
        } else if (c == '\'' || c == '#') {
            LexString();
        } else {
            ++pos_;
            tok_.kind = tkSymbol;
            tok_.text = std::string(1, c);
        }
    }

    void LexNumber()
    {
        size_t start = pos_;
        while (pos_ < s_.size() && IsDigit(s_[pos_]))
            ++pos_;
        bool isFloat = false;
        if (pos_ + 1 < s_.size() && s_[pos_] == '.' && IsDigit(s_[pos_ + 1])) {
            isFloat = true;
            ++pos_;
            while (pos_ < s_.size() && IsDigit(s_[pos_]))
                ++pos_;
        }
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            size_t p = pos_ + 1;
            if (p < s_.size() && (s_[p] == '+' || s_[p] == '-')) ++p;
            if (p < s_.size() && IsDigit(s_[p])) {
                isFloat = true;
                pos_ = p;
                while (pos_ < s_.size() && IsDigit(s_[pos_]))
                    ++pos_;
            }
        }
        const char* first = s_.data() + start;
        const char* last = s_.data() + pos_;
        if (isFloat) {
            tok_.kind = tkFloat;
            auto r = std::from_chars(first, last, tok_.floatValue);
            if (r.ec != std::errc() || !std::isfinite(tok_.floatValue)) Fail("Invalid floating-point number");
        } else {
            tok_.kind = tkInteger;
            uint64_t v = 0;
            auto r = std::from_chars(first, last, v);
            if (r.ec != std::errc() || v > uint64_t{1} << 63) Fail("Integer out of range");
            tok_.intValue = static_cast<int64_t>(v); // 2^63 only survives negation
            tok_.text = v == uint64_t{1} << 63 ? "2^63" : "";
        }
        if (pos_ < s_.size() && IsAlpha(s_[pos_])) Fail("Invalid number");
    }

    void LexHex()
    {
        ++pos_;
        size_t start = pos_;
        uint64_t v = 0;
        while (pos_ < s_.size() && HexValue(s_[pos_]) >= 0) {
            v = v << 4 | static_cast<uint64_t>(HexValue(s_[pos_]));
            ++pos_;
        }
        if (pos_ == start) Fail("Hexadecimal digits expected");
        if (pos_ - start > 16) Fail("Integer out of range");
        if (pos_ < s_.size() && IsAlpha(s_[pos_])) Fail("Invalid number");
        tok_.kind = tkInteger;
        tok_.intValue = static_cast<int64_t>(v); // a bit pattern
    }

    // Quoted parts and #codes standing next to each other form one string.
    void LexString()
    {
        tok_.kind = tkString;
        for (;;) {
            if (pos_ < s_.size() && s_[pos_] == '\'') {
                ++pos_;
                for (;;) {
                    if (pos_ >= s_.size() || s_[pos_] == '\n' || s_[pos_] == '\r')
                        Fail("Unterminated string");
                    if (s_[pos_] == '\'') {
                        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
                            tok_.text += '\'';
                            pos_ += 2;
                            continue;
                        }
                        ++pos_;
                        break;
                    }
                    tok_.text += s_[pos_++];
                }
            } else if (pos_ < s_.size() && s_[pos_] == '#') {
                ++pos_;
                uint32_t cp = 0;
                size_t start = pos_;
                if (pos_ < s_.size() && s_[pos_] == '$') {
                    ++pos_;
                    start = pos_;
                    while (pos_ < s_.size() && HexValue(s_[pos_]) >= 0 && cp <= 0x10FFFF)
                        cp = cp << 4 | static_cast<uint32_t>(HexValue(s_[pos_++]));
                } else {
                    while (pos_ < s_.size() && IsDigit(s_[pos_]) && cp <= 0x10FFFF)
                        cp = cp * 10 + static_cast<uint32_t>(s_[pos_++] - '0');
                }
                if (pos_ == start) Fail("Character code expected after '#'");
                if (cp > 0x10FFFF) Fail("Character code out of range");
                AppendCodePoint(tok_.text, cp);
            } else {
                break;
            }
        }
    }

    // ---- grammar

    TLayoutObject ParseObject(int depth)
    {
        if (depth > kMaxDepth) Fail("Objects nested too deeply");
        if (!IsKeyword("object")) Fail("'object' expected but " + Describe(tok_) + " found");
        TLayoutObject obj;
        obj.Line = tok_.line;
        Next();
        std::string first = ExpectIdent("Object name");
        if (IsSymbol(':')) {
            Next();
            obj.Name = first;
            obj.ClassName = ExpectIdent("Class name");
        } else {
            obj.ClassName = first;
        }
        const std::string outer = object_;
        object_ = obj.Name.empty() ? obj.ClassName : obj.Name;
        for (;;) {
            if (IsKeyword("end")) {
                Next();
                break;
            }
            if (IsKeyword("object")) {
                obj.Children.push_back(ParseObject(depth + 1));
                continue;
            }
            if (tok_.kind != tkIdent)
                Fail("Property name or 'end' expected but " + Describe(tok_) + " found");
            TLayoutProperty prop;
            prop.Line = tok_.line;
            prop.Name = tok_.text;
            Next();
            while (IsSymbol('.')) {
                Next();
                prop.Name += "." + ExpectIdent("Property name");
            }
            Expect('=');
            prop.Value = ParseValue(depth + 1, prop.Name);
            obj.Properties.push_back(std::move(prop));
        }
        object_ = outer;
        return obj;
    }

    TLayoutValue ParseValue(int depth, const std::string& property)
    {
        if (depth > kMaxDepth) Fail("Values nested too deeply");
        TLayoutValue v;
        v.Line = tok_.line;
        if (IsSymbol('-')) {
            Next();
            if (tok_.kind == tkInteger) {
                v.Kind = TLayoutValue::vaInteger;
                v.Int = static_cast<int64_t>(0 - static_cast<uint64_t>(tok_.intValue));
            } else if (tok_.kind == tkFloat) {
                v.Kind = TLayoutValue::vaFloat;
                v.Float = -tok_.floatValue;
            } else {
                throw ELayoutError("Number expected after '-'", tok_.line, object_, property);
            }
            Next();
            return v;
        }
        switch (tok_.kind) {
        case tkInteger:
            if (!tok_.text.empty()) throw ELayoutError("Integer out of range", tok_.line, object_, property);
            v.Kind = TLayoutValue::vaInteger;
            v.Int = tok_.intValue;
            Next();
            return v;
        case tkFloat:
            v.Kind = TLayoutValue::vaFloat;
            v.Float = tok_.floatValue;
            Next();
            return v;
        case tkString:
            v.Kind = TLayoutValue::vaString;
            v.Text = tok_.text;
            Next();
            while (IsSymbol('+')) {
                Next();
                if (tok_.kind != tkString)
                    throw ELayoutError("String expected after '+'", tok_.line, object_, property);
                v.Text += tok_.text;
                Next();
            }
            return v;
        case tkIdent:
            v.Kind = TLayoutValue::vaIdent;
            v.Text = tok_.text;
            Next();
            while (IsSymbol('.')) {
                Next();
                v.Text += "." + ExpectIdent("Identifier");
            }
            return v;
        case tkSymbol:
            break;
        case tkEOF:
            throw ELayoutError("Value expected but end of text found", tok_.line, object_, property);
        }
        if (IsSymbol('[')) {
            v.Kind = TLayoutValue::vaSet;
            Next();
            if (!IsSymbol(']'))
                for (;;) {
                    if (tok_.kind != tkIdent)
                        throw ELayoutError("Set element expected", tok_.line, object_, property);
                    v.SetItems.push_back(tok_.text);
                    Next();
                    if (IsSymbol(']')) break;
                    Expect(',');
                }
            Next();
            return v;
        }
        if (IsSymbol('(')) {
            v.Kind = TLayoutValue::vaList;
            Next();
            while (!IsSymbol(')')) {
                if (tok_.kind == tkEOF) throw ELayoutError("')' expected", tok_.line, object_, property);
                v.Items.push_back(ParseValue(depth + 1, property));
            }
            Next();
            return v;
        }
        if (IsSymbol('{')) {
            v.Kind = TLayoutValue::vaBinary;
            ReadBinary(v.Binary, property);
            Next();
            return v;
        }
        throw ELayoutError("Invalid property value " + Describe(tok_), tok_.line, object_, property);
    }

    // The lexer stands just after '{'.
    void ReadBinary(std::vector<uint8_t>& out, const std::string& property)
    {
        int high = -1;
        for (;;) {
            SkipBlanks();
            if (pos_ >= s_.size()) throw ELayoutError("'}' expected", line_, object_, property);
            const char c = s_[pos_++];
            if (c == '}') break;
            const int d = HexValue(c);
            if (d < 0) throw ELayoutError("Invalid binary data", line_, object_, property);
            if (high < 0) {
                high = d;
            } else {
                out.push_back(static_cast<uint8_t>(high << 4 | d));
                high = -1;
            }
        }
        if (high >= 0) throw ELayoutError("Odd number of digits in binary data", line_, object_, property);
    }

    std::string_view s_;
    size_t pos_ = 0;
    int line_ = 1;
    Token tok_;
    std::string object_; // the object being parsed, for messages
};

} // namespace

TLayoutObject ParseLayout(std::string_view text)
{
    return Parser(text).ParseRoot();
}
