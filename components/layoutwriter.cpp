#include "components/layoutwriter.h"

TWriter::TWriter(TComponent& root) : TFiler(&root), rootComponent_(root) {}

std::string QuoteLayoutString(const std::string& s)
{
    if (s.empty()) return "''";
    std::string out;
    bool quoted = false;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F) {
            if (!quoted) out += '\'';
            quoted = true;
            out += ch;
            if (ch == '\'') out += '\'';
        } else {
            if (quoted) out += '\'';
            quoted = false;
            out += "#" + std::to_string(c);
        }
    }
    if (quoted) out += '\'';
    return out;
}

std::string TWriter::WriteRootComponent()
{
    out_.clear();
    WriteComponent(rootComponent_, 0);
    return out_;
}

void TWriter::WriteComponent(TComponent& component, int depth)
{
    indent_.assign(static_cast<size_t>(depth) * 2, ' ');
    out_ += indent_ + "object ";
    if (!component.GetName().empty()) out_ += component.GetName() + ": ";
    out_ += component.ClassName() + "\n";
    indent_ += "  ";
    WriteProperties(component, component, "");
    prefix_.clear();
    component.DefineProperties(*this);
    // Children: the root's components whose parent this is; top-level
    // components have the root or no parent.
    for (int i = 0; i < rootComponent_.ComponentCount(); ++i) {
        TComponent* c = rootComponent_.Components(i);
        TComponent* parent = c->GetParentComponent();
        const bool mine =
            &component == &rootComponent_ ? (!parent || parent == &rootComponent_) : parent == &component;
        if (mine) WriteComponent(*c, depth + 1);
    }
    indent_.assign(static_cast<size_t>(depth) * 2, ' ');
    out_ += indent_ + "end\n";
}

void TWriter::WriteProperties(TObject& obj, TComponent& component, const std::string& prefix)
{
    for (const TPropInfo* p : obj.ClassType().AllProps())
        WriteProperty(obj, component, *p, prefix);
}

void TWriter::WriteProperty(TObject& obj, TComponent& component, const TPropInfo& p,
                            const std::string& prefix)
{
    if (!p.IsStoredValue(obj)) return;
    const std::string name = prefix + p.Name;
    switch (p.Kind) {
    case TPropKind::Integer:
    case TPropKind::Int64:
        if (!p.SetOrd) return;
        BeginProperty(name);
        WriteInteger(p.Kind == TPropKind::Integer ? static_cast<int32_t>(p.GetOrd(obj)) : p.GetOrd(obj));
        break;
    case TPropKind::Char:
        if (!p.SetOrd) return;
        BeginProperty(name);
        WriteString(std::string(1, static_cast<char>(p.GetOrd(obj))));
        break;
    case TPropKind::Enumeration:
        if (!p.SetOrd) return;
        BeginProperty(name);
        WriteIdent(p.EnumType->Name(p.GetOrd(obj)));
        break;
    case TPropKind::Set:
        if (!p.SetOrd) return;
        BeginProperty(name);
        out_ += SetToString(*p.EnumType, static_cast<uint64_t>(p.GetOrd(obj)), ", ");
        break;
    case TPropKind::Color: {
        if (!p.SetOrd) return;
        BeginProperty(name);
        std::string ident;
        if (ColorToIdent(static_cast<TColor>(p.GetOrd(obj)), ident))
            WriteIdent(ident);
        else
            WriteInteger(static_cast<int32_t>(p.GetOrd(obj)));
        break;
    }
    case TPropKind::Float:
        if (!p.SetFloat) return;
        BeginProperty(name);
        WriteFloat(p.GetFloat(obj));
        break;
    case TPropKind::String:
        if (!p.SetStr) return;
        BeginProperty(name);
        WriteString(p.GetStr(obj));
        break;
    case TPropKind::Class: {
        TObject* sub = p.GetObj(obj);
        if (!sub) return;
        if (auto* ref = dynamic_cast<TComponent*>(sub)) {
            if (ref->GetName().empty() || !p.SetObj) return;
            BeginProperty(name);
            WriteIdent(ref == &rootComponent_ || ref->Owner() == &rootComponent_ ? ref->GetName() : "nil");
            break;
        }
        WriteProperties(*sub, component, name + ".");
        if (auto* persistent = dynamic_cast<TPersistent*>(sub)) {
            prefix_ = name + ".";
            persistent->DefineProperties(*this);
            prefix_.clear();
        }
        return;
    }
    case TPropKind::Strings: {
        TStrings* list = p.GetList(obj);
        if (!list || list->Count() == 0) return;
        BeginProperty(name);
        out_ += "(";
        for (int i = 0; i < list->Count(); ++i)
            out_ += "\n" + indent_ + "  " + QuoteLayoutString(list->Get(i));
        out_ += ")";
        break;
    }
    case TPropKind::Method: {
        const std::string handler = component.GetEventBinding(p.Name);
        if (&obj != &component || handler.empty() || !p.GetMethod(obj).has_value()) return;
        BeginProperty(name);
        WriteIdent(handler);
        break;
    }
    }
    EndProperty();
}

void TWriter::BeginProperty(const std::string& name)
{
    out_ += indent_ + name + " = ";
}
void TWriter::EndProperty()
{
    out_ += "\n";
}

void TWriter::WriteInteger(int64_t value)
{
    out_ += std::to_string(value);
}
void TWriter::WriteFloat(double value)
{
    out_ += FloatToText(value);
}
void TWriter::WriteString(const std::string& value)
{
    out_ += QuoteLayoutString(value);
}
void TWriter::WriteBoolean(bool value)
{
    out_ += value ? "True" : "False";
}
void TWriter::WriteIdent(const std::string& value)
{
    out_ += value;
}

void TWriter::DefineProperty(const std::string& name, const TReaderProc&, const TWriterProc& writeData,
                             bool hasData)
{
    if (!hasData || !writeData) return;
    BeginProperty(prefix_ + name);
    writeData(*this);
    EndProperty();
}

void TWriter::DefineBinaryProperty(const std::string& name, const TStreamProc&, const TStreamProc& writeData,
                                   bool hasData)
{
    if (!hasData || !writeData) return;
    TMemoryStream stream;
    writeData(stream);
    BeginProperty(prefix_ + name);
    out_ += "{";
    static const char kHex[] = "0123456789ABCDEF";
    const auto& bytes = stream.Bytes();
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 32 == 0) out_ += "\n" + indent_ + "  ";
        out_ += kHex[bytes[i] >> 4];
        out_ += kHex[bytes[i] & 15];
    }
    out_ += "}";
    EndProperty();
}

std::string WriteLayout(TComponent& root)
{
    return TWriter(root).WriteRootComponent();
}
