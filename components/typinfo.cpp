#include "components/typinfo.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <unordered_map>

// ---------------------------------------------------------------------------
// Enumerations

TEnumInfo::TEnumInfo(std::string typeName, const char* names)
    : TEnumInfo(std::move(typeName), [names] {
          std::vector<std::string> list;
          std::string cur;
          for (const char* p = names; *p; ++p) {
              if (*p == ',') {
                  list.push_back(Trim(cur));
                  cur.clear();
              } else {
                  cur += *p;
              }
          }
          if (!Trim(cur).empty()) list.push_back(Trim(cur));
          return list;
      }())
{
}

TEnumInfo::TEnumInfo(std::string typeName, std::vector<std::string> names)
    : TypeName(std::move(typeName)), Names(std::move(names))
{
}

std::string TEnumInfo::Name(int64_t ordinal) const
{
    if (ordinal < 0 || ordinal >= Count()) return {};
    return Names[static_cast<size_t>(ordinal)];
}

int TEnumInfo::Find(const std::string& name) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(Names[static_cast<size_t>(i)], name)) return i;
    return -1;
}

const TEnumInfo& BooleanInfo()
{
    static const TEnumInfo info("Boolean", std::vector<std::string>{"False", "True"});
    return info;
}

// ---------------------------------------------------------------------------
// Properties and classes

bool TPropInfo::IsOrdinal() const
{
    switch (Kind) {
    case TPropKind::Integer:
    case TPropKind::Int64:
    case TPropKind::Char:
    case TPropKind::Enumeration:
    case TPropKind::Set:
    case TPropKind::Color:
        return true;
    default:
        return false;
    }
}

bool TPropInfo::Writable() const
{
    switch (Kind) {
    case TPropKind::Float:
        return bool(SetFloat);
    case TPropKind::String:
        return bool(SetStr);
    case TPropKind::Class:
        return bool(SetObj);
    case TPropKind::Strings:
        return bool(SetList) || bool(GetList);
    case TPropKind::Method:
        return bool(SetMethod);
    default:
        return bool(SetOrd);
    }
}

bool TPropInfo::IsStoredValue(TObject& obj) const
{
    if (!Stored) return false;
    switch (Kind) {
    case TPropKind::Float:
        return !HasDefault || GetFloat(obj) != DefaultFloat;
    case TPropKind::String:
        return !HasDefault || GetStr(obj) != DefaultString;
    case TPropKind::Class:
    case TPropKind::Strings:
    case TPropKind::Method:
        return true;
    default:
        return !HasDefault || GetOrd(obj) != Default;
    }
}

bool TClassInfo::InheritsFrom(const TClassInfo& cls) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c == &cls) return true;
    return false;
}

bool TClassInfo::InheritsFrom(const std::string& className) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (SameText(c->Name, className)) return true;
    return false;
}

const TPropInfo* TClassInfo::FindProp(const std::string& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TPropInfo& p : c->Props)
            if (SameText(p.Name, name)) return &p;
    return nullptr;
}

const THandlerInfo* TClassInfo::FindHandler(const std::string& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const THandlerInfo& h : c->Handlers)
            if (SameText(h.Name, name)) return &h;
    return nullptr;
}

const TFieldInfo* TClassInfo::FindField(const std::string& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TFieldInfo& f : c->Fields)
            if (SameText(f.Name, name)) return &f;
    return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::AllProps() const
{
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c; c = c->Parent)
        chain.push_back(c);
    std::vector<const TPropInfo*> out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const TPropInfo& p : (*it)->Props) {
            // A descendant may publish a property again (e.g. with another
            // default); the later record replaces the earlier in place.
            bool replaced = false;
            for (auto& q : out)
                if (SameText(q->Name, p.Name)) {
                    q = &p;
                    replaced = true;
                }
            if (!replaced) out.push_back(&p);
        }
    return out;
}

namespace {

// Class records live for the whole process; components freed during static
// destruction may still ask for them.
struct ClassRegistry {
    std::vector<std::unique_ptr<TClassInfo>> all;
    std::unordered_map<std::string, TClassInfo*> byName; // lower-case keys
};

ClassRegistry& Registry()
{
    static ClassRegistry* registry = new ClassRegistry;
    return *registry;
}

} // namespace

TClassInfo& NewClassInfo(const std::string& name, const TClassInfo* parent)
{
    ClassRegistry& r = Registry();
    const std::string key = LowerCase(name);
    if (r.byName.count(key)) throw Exception("Class " + name + " is registered twice");
    r.all.push_back(std::make_unique<TClassInfo>(name, parent));
    r.byName[key] = r.all.back().get();
    return *r.all.back();
}

const TClassInfo* GetClass(const std::string& className)
{
    const ClassRegistry& r = Registry();
    auto it = r.byName.find(LowerCase(className));
    return it == r.byName.end() ? nullptr : it->second;
}

const TClassInfo& FindClass(const std::string& className)
{
    const TClassInfo* c = GetClass(className);
    if (!c) throw EClassNotFound("Class " + className + " not found");
    return *c;
}

const TClassInfo& TObject::StaticClass()
{
    static const TClassInfo& info = NewClassInfo(StaticClassName, nullptr);
    return info;
}

// ---------------------------------------------------------------------------
// Text conversions

std::string SetToString(const TEnumInfo& info, uint64_t bits, const char* separator)
{
    std::string s = "[";
    bool first = true;
    for (int i = 0; i < info.Count() && i < 64; ++i)
        if (bits & (uint64_t{1} << i)) {
            if (!first) s += separator;
            s += info.Names[static_cast<size_t>(i)];
            first = false;
        }
    return s + "]";
}

std::string FloatToText(double value)
{
    if (std::isnan(value) || std::isinf(value)) return value != value ? "NAN" : value < 0 ? "-INF" : "INF";
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    std::string s(buf, res.ptr);
    // Keep a decimal point so that the text reads back as a float.
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

bool IsValidIdent(const std::string& ident)
{
    if (ident.empty()) return false;
    auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!alpha(ident[0])) return false;
    for (char c : ident)
        if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

namespace {

bool ParseInt64(const std::string& text, int64_t& value)
{
    std::string t = Trim(text);
    bool neg = false;
    size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) neg = t[i++] == '-';
    int base = 10;
    if (i < t.size() && t[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size()) return false;
    uint64_t v = 0;
    const char* first = t.data() + i;
    const char* last = t.data() + t.size();
    auto res = std::from_chars(first, last, v, base);
    if (res.ec != std::errc() || res.ptr != last) return false;
    if (base == 16) {
        // Hexadecimal is a bit pattern.
        value = static_cast<int64_t>(neg ? 0 - v : v);
        return true;
    }
    if (neg ? v > uint64_t{1} << 63 : v > uint64_t(INT64_MAX)) return false;
    value = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
    return true;
}

bool ParseFloat(const std::string& text, double& value)
{
    std::string t = Trim(text);
    if (!t.empty() && t[0] == '+') t.erase(0, 1);
    if (t.empty()) return false;
    auto res = std::from_chars(t.data(), t.data() + t.size(), value);
    return res.ec == std::errc() && res.ptr == t.data() + t.size();
}

[[noreturn]] void BadValue(const TPropInfo& p, const std::string& text)
{
    throw EConvertError("Invalid property value '" + text + "' for " + p.Name);
}

// Walks a dotted path to the object that holds the last name.
const TPropInfo* Resolve(TObject* obj, const std::string& path, TObject*& holder)
{
    holder = obj;
    if (!obj) return nullptr;
    size_t start = 0;
    for (;;) {
        const size_t dot = path.find('.', start);
        const std::string part =
            path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        const TPropInfo* p = holder->ClassType().FindProp(part);
        if (!p || dot == std::string::npos) return p;
        if (p->Kind != TPropKind::Class) return nullptr;
        holder = p->GetObj(*holder);
        if (!holder) return nullptr;
        start = dot + 1;
    }
}

int64_t CheckedOrdinal(const TPropInfo& p, int64_t v, const std::string& text)
{
    if (p.Kind != TPropKind::Set && p.Kind != TPropKind::Int64 && (v < p.MinValue || v > p.MaxValue))
        BadValue(p, text);
    return v;
}

} // namespace

// ---------------------------------------------------------------------------
// By-name access

const TPropInfo* GetPropInfo(const TObject* obj, const std::string& name)
{
    TObject* holder;
    return Resolve(const_cast<TObject*>(obj), name, holder);
}

bool IsPublishedProp(const TObject* obj, const std::string& name)
{
    return GetPropInfo(obj, name) != nullptr;
}

std::string GetProperty(TObject* obj, const std::string& name)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    if (!p) return {};
    switch (p->Kind) {
    case TPropKind::Integer:
    case TPropKind::Int64:
        return IntToStr(p->GetOrd(*h));
    case TPropKind::Char:
        return std::string(1, static_cast<char>(p->GetOrd(*h)));
    case TPropKind::Enumeration:
        return p->EnumType->Name(p->GetOrd(*h));
    case TPropKind::Set:
        return SetToString(*p->EnumType, static_cast<uint64_t>(p->GetOrd(*h)));
    case TPropKind::Color:
        return ColorToString(static_cast<TColor>(p->GetOrd(*h)));
    case TPropKind::Float:
        return FloatToText(p->GetFloat(*h));
    case TPropKind::String:
        return p->GetStr(*h);
    case TPropKind::Class: {
        TObject* o = p->GetObj(*h);
        auto* c = dynamic_cast<INamedComponent*>(o);
        return c ? c->GetName() : std::string();
    }
    case TPropKind::Strings: {
        TStrings* l = p->GetList(*h);
        return l ? l->GetText() : std::string();
    }
    case TPropKind::Method:
        return GetObjMethod(obj, name).HandlerName;
    }
    return {};
}

int64_t GetInt64Property(TObject* obj, const std::string& name)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    return p && p->IsOrdinal() ? p->GetOrd(*h) : 0;
}

int32_t GetIntProperty(TObject* obj, const std::string& name)
{
    return static_cast<int32_t>(GetInt64Property(obj, name));
}

double GetFloatProperty(TObject* obj, const std::string& name)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    if (!p) return 0;
    if (p->Kind == TPropKind::Float) return p->GetFloat(*h);
    return p->IsOrdinal() ? static_cast<double>(p->GetOrd(*h)) : 0;
}

std::string GetEnumProperty(TObject* obj, const std::string& name)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    if (!p || p->Kind != TPropKind::Enumeration) return {};
    return p->EnumType->Name(p->GetOrd(*h));
}

std::string GetStringProp(TObject* obj, const std::string& name)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    return p && p->Kind == TPropKind::String ? p->GetStr(*h) : std::string();
}

TObject* GetObjProp(TObject* obj, const std::string& name)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    return p && p->Kind == TPropKind::Class ? p->GetObj(*h) : nullptr;
}

TStrings* GetStringsProp(TObject* obj, const std::string& name)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    return p && p->Kind == TPropKind::Strings ? p->GetList(*h) : nullptr;
}

TMethod GetObjMethod(TObject* obj, const std::string& name)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    TMethod m;
    if (!p || p->Kind != TPropKind::Method) return m;
    m.TypeName = p->TypeName;
    m.Handler = p->GetMethod(*h);
    if (m.Assigned())
        if (auto* c = dynamic_cast<INamedComponent*>(h)) m.HandlerName = c->GetEventBinding(p->Name);
    return m;
}

bool SetProperty(TObject* obj, const std::string& name, const std::string& text)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    if (!p || !p->Writable()) return false;
    switch (p->Kind) {
    case TPropKind::Integer:
    case TPropKind::Int64: {
        int64_t v;
        if (!ParseInt64(text, v)) BadValue(*p, text);
        p->SetOrd(*h, CheckedOrdinal(*p, v, text));
        return true;
    }
    case TPropKind::Char:
        if (text.size() != 1) BadValue(*p, text);
        p->SetOrd(*h, static_cast<unsigned char>(text[0]));
        return true;
    case TPropKind::Enumeration: {
        int v = p->EnumType->Find(Trim(text));
        if (v < 0) BadValue(*p, text);
        p->SetOrd(*h, v);
        return true;
    }
    case TPropKind::Set: {
        std::string t = Trim(text);
        if (t.size() < 2 || t.front() != '[' || t.back() != ']') BadValue(*p, text);
        uint64_t bits = 0;
        std::string body = t.substr(1, t.size() - 2);
        size_t start = 0;
        while (start <= body.size()) {
            size_t comma = body.find(',', start);
            std::string item =
                Trim(body.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (!item.empty()) {
                int v = p->EnumType->Find(item);
                if (v < 0 || v >= 64) BadValue(*p, text);
                bits |= uint64_t{1} << v;
            } else if (comma != std::string::npos) {
                BadValue(*p, text);
            }
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        p->SetOrd(*h, static_cast<int64_t>(bits));
        return true;
    }
    case TPropKind::Color:
        p->SetOrd(*h, StringToColor(text));
        return true;
    case TPropKind::Float: {
        double v;
        if (!ParseFloat(text, v)) BadValue(*p, text);
        p->SetFloat(*h, v);
        return true;
    }
    case TPropKind::String:
        p->SetStr(*h, text);
        return true;
    case TPropKind::Class: {
        TObject* target = nullptr;
        if (!Trim(text).empty() && !SameText(Trim(text), "nil")) {
            auto* self = dynamic_cast<INamedComponent*>(h);
            target = self ? self->FindReference(Trim(text)) : nullptr;
            if (!target) BadValue(*p, text);
        }
        p->SetObj(*h, target);
        return true;
    }
    case TPropKind::Strings: {
        TStringList list;
        list.SetText(text);
        if (p->SetList)
            p->SetList(*h, list);
        else if (TStrings* l = p->GetList(*h))
            l->Assign(list);
        return true;
    }
    case TPropKind::Method:
        return false;
    }
    return false;
}

bool SetIntProperty(TObject* obj, const std::string& name, int64_t value)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    if (!p || !p->IsOrdinal() || !p->SetOrd) return false;
    p->SetOrd(*h, CheckedOrdinal(*p, value, IntToStr(value)));
    return true;
}

bool SetFloatProperty(TObject* obj, const std::string& name, double value)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    if (!p || p->Kind != TPropKind::Float || !p->SetFloat) return false;
    p->SetFloat(*h, value);
    return true;
}

bool SetStringProp(TObject* obj, const std::string& name, const std::string& value)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    if (!p || p->Kind != TPropKind::String || !p->SetStr) return false;
    p->SetStr(*h, value);
    return true;
}

bool SetObjProp(TObject* obj, const std::string& name, TObject* value)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    if (!p || p->Kind != TPropKind::Class || !p->SetObj) return false;
    p->SetObj(*h, value);
    return true;
}

bool SetObjMethod(TObject* obj, const std::string& name, const TMethod& method)
{
    TObject* h;
    const TPropInfo* p = Resolve(obj, name, h);
    if (!p || p->Kind != TPropKind::Method) return false;
    if (method.Assigned() && !SameText(method.TypeName, p->TypeName) && !method.TypeName.empty())
        throw EConvertError("Handler of type " + method.TypeName + " does not fit " + p->Name + " (" +
                            p->TypeName + ")");
    p->SetMethod(*h, method.Handler);
    if (auto* c = dynamic_cast<INamedComponent*>(h)) c->SetEventBinding(p->Name, method.HandlerName);
    return true;
}
