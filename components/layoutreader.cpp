#include "components/layoutreader.h"

#include <limits>
#include <typeinfo>

namespace {

std::string DisplayName(const TComponent& c)
{
    return c.GetName().empty() ? c.ClassName() : c.GetName();
}

bool SplitFirst(const std::string& path, std::string& head, std::string& rest)
{
    const size_t dot = path.find('.');
    if (dot == std::string::npos) return false;
    head = path.substr(0, dot);
    rest = path.substr(dot + 1);
    return true;
}

} // namespace

TReader::TReader(TComponent& root) : TFiler(&root), rootComponent_(root) {}

void TReader::Fail(const std::string& reason, int line) const
{
    throw ELayoutError(reason, line, componentName_, propName_);
}

void TReader::ReadRootComponent(const TLayoutObject& layout)
{
    TComponent& root = rootComponent_;
    // A form's field slots name the classes its layout may create.
    for (const TClassInfo* c = &root.ClassType(); c; c = c->Parent)
        for (const TFieldInfo& f : c->Fields)
            f.ClassFn();

    componentName_ = layout.Name.empty() ? DisplayName(root) : layout.Name;
    if (!root.InheritsFrom(layout.ClassName))
        Fail("Layout of class " + layout.ClassName + " cannot be read into a " + root.ClassName(),
             layout.Line);
    try {
        root.SetLoadingState(true, true);
        loaded_.push_back(&root);
        if (root.GetName().empty() && !layout.Name.empty()) {
            try {
                root.SetName(layout.Name);
            } catch (const ELayoutError&) {
                throw;
            } catch (const Exception& e) {
                Fail(e.Message, layout.Line);
            }
        }
        component_ = &root;
        parent_ = nullptr;
        ReadProperties(root, layout);
        for (const TLayoutObject& child : layout.Children)
            ReadComponent(child, &root);
        ResolveFixups();
    } catch (...) {
        for (TComponent* c : loaded_)
            c->SetLoadingState(false, false);
        throw;
    }
    FinishLoading();
}

void TReader::ReadComponent(const TLayoutObject& node, TComponent* parent)
{
    componentName_ = node.Name.empty() ? node.ClassName : node.Name;
    propName_.clear();
    const TClassInfo* cls = GetClass(node.ClassName);
    if (!cls) Fail("Class " + node.ClassName + " not found", node.Line);
    if (!cls->Create) Fail("Class " + node.ClassName + " cannot be created from a layout", node.Line);

    TComponent* c = cls->Create(&rootComponent_);
    c->SetLoadingState(true, true);
    loaded_.push_back(c);
    try {
        c->SetName(node.Name);
    } catch (const Exception& e) {
        Fail(e.Message, node.Line);
    }
    if (!node.Name.empty())
        if (const TFieldInfo* field = rootComponent_.ClassType().FindField(node.Name))
            if (field->Get(rootComponent_) != c)
                Fail("Field " + node.Name + " of " + rootComponent_.ClassName() + " is a " +
                         field->ClassFn().Name + ", not a " + cls->Name,
                     node.Line);
    try {
        c->SetParentComponent(parent);
    } catch (const ELayoutError&) {
        throw;
    } catch (const Exception& e) {
        Fail(e.Message, node.Line);
    }

    component_ = c;
    parent_ = parent;
    ReadProperties(*c, node);
    for (const TLayoutObject& child : node.Children) {
        ReadComponent(child, c);
        componentName_ = node.Name.empty() ? node.ClassName : node.Name;
    }
}

void TReader::ReadProperties(TComponent& component, const TLayoutObject& node)
{
    for (const TLayoutProperty& prop : node.Properties) {
        component_ = &component;
        componentName_ = DisplayName(component);
        propName_ = prop.Name;
        try {
            ReadProperty(component, prop);
        } catch (const ELayoutError&) {
            throw;
        } catch (const Exception& e) {
            Fail(e.Message, prop.Value.Line);
        } catch (const std::bad_any_cast&) {
            Fail("Handler of the wrong type", prop.Value.Line);
        }
    }
    propName_.clear();
}

void TReader::ReadProperty(TComponent& component, const TLayoutProperty& prop)
{
    TObject* holder = &component;
    std::string rest = prop.Name;
    std::string head;
    // Walk "Font.Style" style paths through object properties.
    while (SplitFirst(rest, head, rest)) {
        const TPropInfo* p = holder->ClassType().FindProp(head);
        if (p && p->Kind == TPropKind::Strings && SameText(rest, "Strings")) {
            SetPropValue(component, *holder, *p, prop.Value);
            return;
        }
        if (!p) Fail("Property " + head + " does not exist", prop.Line);
        if (p->Kind != TPropKind::Class)
            Fail("Property " + head + " has no properties of its own", prop.Line);
        holder = p->GetObj(*holder);
        if (!holder) Fail("Property " + head + " is not assigned", prop.Line);
    }
    if (const TPropInfo* p = holder->ClassType().FindProp(rest)) {
        SetPropValue(component, *holder, *p, prop.Value);
        return;
    }
    // Not published: maybe a property the object stores itself.
    auto* persistent = dynamic_cast<TPersistent*>(holder);
    if (persistent) {
        definedName_ = rest;
        value_ = &prop.Value;
        defined_ = false;
        persistent->DefineProperties(*this);
        value_ = nullptr;
        if (defined_) return;
    }
    Fail("Property " + rest + " does not exist", prop.Line);
}

void TReader::SetPropValue(TComponent& component, TObject& holder, const TPropInfo& p, const TLayoutValue& v)
{
    using VK = TLayoutValue;
    const int line = v.Line;
    auto invalid = [&]() { Fail("Invalid property value " + v.Describe(), line); };
    if (!p.Writable()) Fail("Property " + p.Name + " is read-only", line);

    auto setOrdinal = [&](int64_t ord) {
        if (p.Kind != TPropKind::Set && p.Kind != TPropKind::Int64 && (ord < p.MinValue || ord > p.MaxValue))
            Fail("Value " + v.Describe() + " out of range", line);
        p.SetOrd(holder, ord);
    };

    switch (p.Kind) {
    case TPropKind::Integer:
    case TPropKind::Int64:
        if (v.Kind != VK::vaInteger) invalid();
        setOrdinal(v.Int);
        return;
    case TPropKind::Char:
        if (v.Kind == VK::vaString && v.Text.size() == 1)
            setOrdinal(static_cast<unsigned char>(v.Text[0]));
        else if (v.Kind == VK::vaInteger)
            setOrdinal(v.Int);
        else
            invalid();
        return;
    case TPropKind::Enumeration: {
        if (v.Kind != VK::vaIdent) invalid();
        const int ord = p.EnumType->Find(v.Text);
        if (ord < 0) Fail("Invalid property value " + v.Text + " (not a " + p.EnumType->TypeName + ")", line);
        setOrdinal(ord);
        return;
    }
    case TPropKind::Set: {
        if (v.Kind != VK::vaSet) invalid();
        uint64_t bits = 0;
        for (const std::string& item : v.SetItems) {
            const int ord = p.EnumType->Find(item);
            if (ord < 0 || ord >= 64)
                Fail("Invalid set element " + item + " (not a " + p.EnumType->TypeName + ")", line);
            bits |= uint64_t{1} << ord;
        }
        setOrdinal(static_cast<int64_t>(bits));
        return;
    }
    case TPropKind::Color: {
        if (v.Kind == VK::vaInteger) {
            setOrdinal(v.Int);
        } else if (v.Kind == VK::vaIdent) {
            TColor c;
            if (!IdentToColor(v.Text, c)) Fail("Invalid colour " + v.Text, line);
            setOrdinal(c);
        } else {
            invalid();
        }
        return;
    }
    case TPropKind::Float:
        if (v.Kind == VK::vaFloat)
            p.SetFloat(holder, v.Float);
        else if (v.Kind == VK::vaInteger)
            p.SetFloat(holder, static_cast<double>(v.Int));
        else
            invalid();
        return;
    case TPropKind::String:
        if (v.Kind != VK::vaString) invalid();
        p.SetStr(holder, v.Text);
        return;
    case TPropKind::Class:
        if (v.Kind != VK::vaIdent) invalid();
        if (SameText(v.Text, "nil")) {
            p.SetObj(holder, nullptr);
        } else {
            // The component may come later in the layout: resolved at the end.
            fixups_.push_back({&holder, &p, v.Text, componentName_ + "." + propName_, line});
        }
        return;
    case TPropKind::Strings: {
        if (v.Kind != VK::vaList) invalid();
        TStringList list;
        for (const TLayoutValue& item : v.Items) {
            if (item.Kind != VK::vaString)
                Fail("String expected in list, " + item.Describe() + " found", item.Line);
            list.Add(item.Text);
        }
        if (p.SetList) {
            p.SetList(holder, list);
        } else if (TStrings* target = p.GetList(holder)) {
            target->Assign(list);
        } else {
            Fail("Property " + p.Name + " is not assigned", line);
        }
        return;
    }
    case TPropKind::Method: {
        if (v.Kind != VK::vaIdent) invalid();
        if (SameText(v.Text, "nil")) {
            p.SetMethod(holder, std::any());
            return;
        }
        const THandlerInfo* h = rootComponent_.ClassType().FindHandler(v.Text);
        if (!h) Fail("Handler " + v.Text + " not found in " + rootComponent_.ClassName(), line);
        if (!SameText(h->TypeName, p.TypeName))
            Fail("Handler " + v.Text + " is a " + h->TypeName + ", but " + p.Name + " needs a " + p.TypeName,
                 line);
        p.SetMethod(holder, h->Bind(rootComponent_));
        if (&holder == &component) component.SetEventBinding(p.Name, h->Name);
        return;
    }
    }
}

void TReader::ResolveFixups()
{
    for (const Fixup& f : fixups_) {
        TComponent* target = SameText(f.target, rootComponent_.GetName())
                                 ? &rootComponent_
                                 : rootComponent_.FindComponent(f.target);
        if (!target) throw ELayoutError("Component " + f.target + " not found", f.line, f.component);
        try {
            f.prop->SetObj(*f.holder, target);
        } catch (const Exception& e) {
            throw ELayoutError(e.Message, f.line, f.component);
        }
    }
    fixups_.clear();
}

void TReader::FinishLoading()
{
    for (TComponent* c : loaded_)
        c->SetLoadingState(true, false);
    // Stream order, the root first. A Loaded that fails still leaves no
    // component marked as loading.
    size_t i = 0;
    try {
        for (; i < loaded_.size(); ++i) {
            loaded_[i]->Loaded();
            loaded_[i]->SetLoadingState(false, false);
        }
    } catch (...) {
        for (; i < loaded_.size(); ++i)
            loaded_[i]->SetLoadingState(false, false);
        throw;
    }
}

const TLayoutValue& TReader::Value() const
{
    if (!value_) throw EReadError("No property value is being read");
    return *value_;
}

int32_t TReader::ReadInteger() const
{
    const int64_t v = ReadInt64();
    if (v < std::numeric_limits<int32_t>::min() || v > 0xFFFFFFFFll)
        throw EReadError("Value " + Value().Describe() + " out of range");
    return static_cast<int32_t>(v);
}

int64_t TReader::ReadInt64() const
{
    if (Value().Kind != TLayoutValue::vaInteger) throw EReadError("Integer expected");
    return Value().Int;
}

double TReader::ReadFloat() const
{
    if (Value().Kind == TLayoutValue::vaFloat) return Value().Float;
    if (Value().Kind == TLayoutValue::vaInteger) return static_cast<double>(Value().Int);
    throw EReadError("Number expected");
}

std::string TReader::ReadString() const
{
    if (Value().Kind != TLayoutValue::vaString) throw EReadError("String expected");
    return Value().Text;
}

bool TReader::ReadBoolean() const
{
    const int v = Value().Kind == TLayoutValue::vaIdent ? BooleanInfo().Find(Value().Text) : -1;
    if (v < 0) throw EReadError("True or False expected");
    return v == 1;
}

std::string TReader::ReadIdent() const
{
    if (Value().Kind != TLayoutValue::vaIdent) throw EReadError("Identifier expected");
    return Value().Text;
}

void TReader::DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc&, bool)
{
    if (defined_ || !value_ || !SameText(name, definedName_)) return;
    defined_ = true;
    if (readData) readData(*this);
}

void TReader::DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc&,
                                   bool)
{
    if (defined_ || !value_ || !SameText(name, definedName_)) return;
    defined_ = true;
    if (value_->Kind != TLayoutValue::vaBinary) throw EReadError("Binary data expected");
    if (!readData) return;
    TMemoryStream stream;
    stream.WriteBuffer(value_->Binary.data(), static_cast<int64_t>(value_->Binary.size()));
    stream.SetPosition(0);
    readData(stream);
}

void ReadLayout(TComponent& root, std::string_view text)
{
    const TLayoutObject layout = ParseLayout(text);
    TReader(root).ReadRootComponent(layout);
}
