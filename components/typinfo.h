// Run-time class information: class records with their published properties,
// handler tables and field slots, and by-name property access. Layout reading
// and writing and the skin engine see objects only through this. Portable.
//
// A class takes part by naming itself and its parent in its body and
// publishing its properties once, in its .cpp:
//
//   class TiSlider : public TiPositionComponent {
//       ORVANE_CLASS(TiSlider, TiPositionComponent)
//       ...
//   };
//
//   const TClassInfo& TiSlider::StaticClass()
//   {
//       static const TClassInfo& info = PublishClass<TiSlider>()
//           .Int("PointerHeight", &TiSlider::GetPointerHeight, &TiSlider::SetPointerHeight, 10)
//           .Enum("PointerStyle", &TiSlider::GetPointerStyle, &TiSlider::SetPointerStyle, ispsLed)
//           .Event("OnPositionChange", &TiSlider::OnPositionChange);
//       return info;
//   }
//
// Getters and setters may be member functions, data members or callables
// taking the object; a setter of nullptr makes the property read-only.
// Classes are entered into the by-name registry the first time their
// StaticClass() runs (a form's field slots pull in their classes when a layout
// is read; RegisterClasses<...>() does it explicitly).
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "runtime/classes.h"
#include "runtime/colors.h"
#include "runtime/sysutils.h"

class TObject;
class TComponent;
class TClassInfo;

// ---------------------------------------------------------------------------
// Sets of enumeration values, bit n for value n (at most 64 values).

template <class E> class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items)
    {
        for (E e : items)
            bits_ |= Bit(e);
    }
    static constexpr TSet FromBits(uint64_t bits)
    {
        TSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr uint64_t Bits() const { return bits_; }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TSet& Include(E e)
    {
        bits_ |= Bit(e);
        return *this;
    }
    constexpr TSet& Exclude(E e)
    {
        bits_ &= ~Bit(e);
        return *this;
    }
    constexpr TSet operator|(TSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TSet operator&(TSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr uint64_t Bit(E e) { return uint64_t{1} << static_cast<unsigned>(e); }
    uint64_t bits_ = 0;
};

template <class T> struct IsTSet : std::false_type {
};
template <class E> struct IsTSet<TSet<E>> : std::true_type {
    using Element = E;
};

// ---------------------------------------------------------------------------
// Enumeration type information: the value names in ordinal order.

class TEnumInfo {
public:
    // names: "a, b, c" as the enumeration's declaration spells them.
    TEnumInfo(std::string typeName, const char* names);
    TEnumInfo(std::string typeName, std::vector<std::string> names);

    const std::string TypeName;
    const std::vector<std::string> Names;

    int Count() const { return static_cast<int>(Names.size()); }
    std::string Name(int64_t ordinal) const; // empty when out of range
    int Find(const std::string& name) const; // letter case ignored; -1 when unknown
};

const TEnumInfo& BooleanInfo(); // "False", "True"

// Declares an enumeration of consecutive values from 0 together with its
// value names, which layouts and by-name access use.
#define ORVANE_ENUM_INFO(Type, ...)                                                                          \
    inline const TEnumInfo& EnumInfoOf(Type)                                                                 \
    {                                                                                                        \
        static const TEnumInfo info(#Type, #__VA_ARGS__);                                                    \
        return info;                                                                                         \
    }
#define ORVANE_ENUM(Type, ...)                                                                               \
    enum Type { __VA_ARGS__ };                                                                               \
    ORVANE_ENUM_INFO(Type, __VA_ARGS__)

template <class E> const TEnumInfo& EnumInfoFor()
{
    if constexpr (std::is_same_v<E, bool>)
        return BooleanInfo();
    else
        return EnumInfoOf(E{});
}

// ---------------------------------------------------------------------------
// Events: a typed event is a std::function of a known signature that also
// carries its type name, so that the layout reader can check a handler's type.
//
//   ORVANE_EVENT(TKeyPressEvent, void(TObject* Sender, char& Key));

#define ORVANE_EVENT(Name, ...)                                                                              \
    struct Name : std::function<__VA_ARGS__> {                                                               \
        using std::function<__VA_ARGS__>::function;                                                          \
        static constexpr const char* TypeName = #Name;                                                       \
    }

ORVANE_EVENT(TNotifyEvent, void(TObject* Sender));

// An event property's value as by-name access sees it.
struct TMethod {
    std::string TypeName;
    std::string HandlerName; // the handler a layout bound, when known
    std::any Handler;        // the event object (e.g. a TNotifyEvent); empty when unassigned
    bool Assigned() const { return Handler.has_value(); }
    template <class E> E As() const
    {
        const E* e = std::any_cast<E>(&Handler);
        return e ? *e : E();
    }
};

// ---------------------------------------------------------------------------
// Published properties.

enum class TPropKind { Integer, Int64, Char, Enumeration, Set, Color, Float, String, Class, Strings, Method };

struct TPropInfo {
    std::string Name;
    TPropKind Kind = TPropKind::Integer;
    std::string TypeName;
    const TEnumInfo* EnumType = nullptr;      // enumerations and sets
    const TClassInfo& (*ClassFn)() = nullptr; // class properties
    int64_t MinValue = 0, MaxValue = 0;       // accepted ordinal range
    bool HasDefault = false;                  // ordinals, strings, floats
    int64_t Default = 0;
    double DefaultFloat = 0;
    std::string DefaultString;
    bool Stored = true;

    std::function<int64_t(TObject&)> GetOrd;
    std::function<void(TObject&, int64_t)> SetOrd;
    std::function<double(TObject&)> GetFloat;
    std::function<void(TObject&, double)> SetFloat;
    std::function<std::string(TObject&)> GetStr;
    std::function<void(TObject&, const std::string&)> SetStr;
    std::function<TObject*(TObject&)> GetObj;
    std::function<void(TObject&, TObject*)> SetObj;
    std::function<TStrings*(TObject&)> GetList;
    std::function<void(TObject&, const TStrings&)> SetList;
    std::function<std::any(TObject&)> GetMethod;
    std::function<void(TObject&, const std::any&)> SetMethod;

    bool IsOrdinal() const;
    bool Writable() const;
    // Whether a writer stores the object's current value.
    bool IsStoredValue(TObject& obj) const;
    const TClassInfo* ObjClass() const { return ClassFn ? &ClassFn() : nullptr; }
};

// A handler method of a form, bound by name from layouts.
struct THandlerInfo {
    std::string Name;
    std::string TypeName;
    std::function<std::any(TObject& root)> Bind; // the event object calling the method on root
};

// A form's pointer to one of its components, set when a component of that
// name is inserted and cleared when it goes.
struct TFieldInfo {
    std::string Name;
    const TClassInfo& (*ClassFn)() = nullptr;
    std::function<TComponent*(TObject&)> Get;
    std::function<bool(TObject&, TComponent*)> Set; // false when the component has the wrong class
};

class TClassInfo {
public:
    TClassInfo(std::string name, const TClassInfo* parent) : Name(std::move(name)), Parent(parent) {}
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;

    const std::string Name;
    const TClassInfo* const Parent;
    std::function<TComponent*(TComponent* owner)> Create; // registered component classes
    std::vector<TPropInfo> Props;                         // own, in publishing order
    std::vector<THandlerInfo> Handlers;
    std::vector<TFieldInfo> Fields;

    bool InheritsFrom(const TClassInfo& cls) const;
    bool InheritsFrom(const std::string& className) const; // letter case ignored
    // Lookups include the ancestors; letter case is ignored.
    const TPropInfo* FindProp(const std::string& name) const;
    const THandlerInfo* FindHandler(const std::string& name) const;
    const TFieldInfo* FindField(const std::string& name) const;
    // Every property, the ancestors' first.
    std::vector<const TPropInfo*> AllProps() const;
};

class EClassNotFound : public Exception {
    using Exception::Exception;
};

const TClassInfo* GetClass(const std::string& className);  // nullptr when not registered
const TClassInfo& FindClass(const std::string& className); // raises EClassNotFound
// Creates and enters a class record; a second class of the same name is refused.
TClassInfo& NewClassInfo(const std::string& name, const TClassInfo* parent);

template <class... T> void RegisterClasses()
{
    (T::StaticClass(), ...);
}

// ---------------------------------------------------------------------------

class TObject {
public:
    static constexpr const char* StaticClassName = "TObject";
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    virtual ~TObject() = default;

    static const TClassInfo& StaticClass();
    virtual const TClassInfo& ClassType() const { return StaticClass(); }
    const std::string& ClassName() const { return ClassType().Name; }
    bool InheritsFrom(const std::string& className) const { return ClassType().InheritsFrom(className); }
    bool InheritsFrom(const TClassInfo& cls) const { return ClassType().InheritsFrom(cls); }
};

// What by-name access needs of a component: a class property shows and takes
// a component by its name, and a method property keeps the name of the
// handler bound to it. TComponent answers it, so that this unit needs
// nothing else of the component model.
class INamedComponent {
public:
    virtual const std::string& GetName() const = 0;
    virtual std::string GetEventBinding(const std::string& propName) const = 0;
    virtual void SetEventBinding(const std::string& propName, const std::string& handlerName) = 0;
    // The component of that name this one may refer to: one its owner holds
    // (without an owner, one it holds itself); null when there is none.
    virtual TObject* FindReference(const std::string& name) const = 0;

protected:
    ~INamedComponent() = default;
};

// In the class body of every class that publishes anything. Leaves the
// access at public.
#define ORVANE_CLASS(Self, Parent)                                                                           \
public:                                                                                                      \
    using inherited = Parent;                                                                                \
    static constexpr const char* StaticClassName = #Self;                                                    \
    static const TClassInfo& StaticClass();                                                                  \
    const TClassInfo& ClassType() const override                                                             \
    {                                                                                                        \
        return StaticClass();                                                                                \
    }

// ---------------------------------------------------------------------------
// The publishing API.

template <class T> class TClassBuilder {
public:
    explicit TClassBuilder(TClassInfo& info) : info_(info) {}
    operator const TClassInfo&() const { return info_; }

    // Integers of any width up to 64 bits. Without a default the value is
    // always stored.
    template <class G, class S> TClassBuilder& Int(const char* name, G get, S set)
    {
        return AddInt(name, get, set, false, 0);
    }
    template <class G, class S> TClassBuilder& Int(const char* name, G get, S set, int64_t def)
    {
        return AddInt(name, get, set, true, def);
    }

    template <class G, class S> TClassBuilder& Bool(const char* name, G get, S set, bool def)
    {
        return Enum(name, get, set, def);
    }
    template <class G, class S> TClassBuilder& Enum(const char* name, G get, S set)
    {
        AddEnum(name, get, set);
        return *this;
    }
    template <class G, class S, class E> TClassBuilder& Enum(const char* name, G get, S set, E def)
    {
        AddEnum(name, get, set).HasDefault = true;
        Last().Default = static_cast<int64_t>(def);
        return *this;
    }

    template <class G, class S> TClassBuilder& Set(const char* name, G get, S set)
    {
        AddSet(name, get, set);
        return *this;
    }
    template <class G, class S, class V> TClassBuilder& Set(const char* name, G get, S set, V def)
    {
        AddSet(name, get, set).HasDefault = true;
        Last().Default = static_cast<int64_t>(def.Bits());
        return *this;
    }

    template <class G, class S> TClassBuilder& Color(const char* name, G get, S set)
    {
        AddColor(name, get, set);
        return *this;
    }
    template <class G, class S> TClassBuilder& Color(const char* name, G get, S set, TColor def)
    {
        AddColor(name, get, set).HasDefault = true;
        Last().Default = def;
        return *this;
    }

    template <class G, class S> TClassBuilder& Char(const char* name, G get, S set)
    {
        using V = ValueOf<G>;
        TPropInfo& p = Add(name, TPropKind::Char, "Char");
        p.MinValue = 0;
        p.MaxValue = 255;
        p.GetOrd = [get](TObject& o) -> int64_t { return static_cast<unsigned char>(Get(get, o)); };
        p.SetOrd = OrdSetter<V>(set);
        return *this;
    }

    // Floats are stored unless equal to the default (0 without one).
    template <class G, class S> TClassBuilder& Float(const char* name, G get, S set, double def = 0)
    {
        using V = ValueOf<G>;
        static_assert(std::is_floating_point_v<V>, "Float needs a floating-point getter");
        TPropInfo& p = Add(name, TPropKind::Float, "Double");
        p.DefaultFloat = def;
        p.HasDefault = true;
        p.GetFloat = [get](TObject& o) -> double { return static_cast<double>(Get(get, o)); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.SetFloat = [set](TObject& o, double v) { Put(set, o, static_cast<V>(v)); };
        return *this;
    }

    // Strings are stored unless equal to the default.
    template <class G, class S> TClassBuilder& String(const char* name, G get, S set, const char* def = "")
    {
        TPropInfo& p = Add(name, TPropKind::String, "String");
        p.HasDefault = true;
        p.DefaultString = def;
        p.GetStr = [get](TObject& o) -> std::string { return Get(get, o); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.SetStr = [set](TObject& o, const std::string& v) { Put(set, o, v); };
        return *this;
    }

    // An object property: an owned sub-object whose own properties are set
    // by dotted names ("Font.Height"), or a reference to a component, set by
    // the component's name. The setter (optional for owned sub-objects)
    // receives the object or nullptr.
    template <class G, class S = std::nullptr_t>
    TClassBuilder& Object(const char* name, G get, S set = nullptr)
    {
        using V = ValueOf<G>;
        static_assert(std::is_pointer_v<V>, "Object needs a getter returning a pointer");
        using P = std::remove_cv_t<std::remove_pointer_t<V>>;
        TPropInfo& p = Add(name, TPropKind::Class, P::StaticClassName);
        p.ClassFn = &P::StaticClass;
        p.GetObj = [get](TObject& o) -> TObject* { return const_cast<P*>(Get(get, o)); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.SetObj = [set](TObject& o, TObject* v) {
                P* typed = v ? dynamic_cast<P*>(v) : nullptr;
                if (v && !typed)
                    throw EConvertError("Invalid property value: " + v->ClassName() + " is not a " +
                                        P::StaticClassName);
                Put(set, o, typed);
            };
        return *this;
    }

    // A string list (Items, Lines). The getter returns the list (pointer or
    // reference); the optional setter receives a list to copy.
    template <class G, class S = std::nullptr_t>
    TClassBuilder& Strings(const char* name, G get, S set = nullptr)
    {
        TPropInfo& p = Add(name, TPropKind::Strings, "TStrings");
        p.GetList = [get](TObject& o) -> TStrings* {
            decltype(auto) r = Get(get, o);
            if constexpr (std::is_pointer_v<std::remove_cvref_t<decltype(r)>>)
                return r;
            else
                return &r;
        };
        if constexpr (!std::is_null_pointer_v<S>)
            p.SetList = [set](TObject& o, const TStrings& v) { Put(set, o, v); };
        return *this;
    }

    // An event: a data member of an ORVANE_EVENT type, or a getter/setter pair.
    template <class M> TClassBuilder& Event(const char* name, M member)
    {
        return Event(name, member, member);
    }
    template <class G, class S> TClassBuilder& Event(const char* name, G get, S set)
    {
        using E = ValueOf<G>;
        TPropInfo& p = Add(name, TPropKind::Method, E::TypeName);
        p.GetMethod = [get](TObject& o) -> std::any {
            const E& e = Get(get, o);
            if (!e) return {};
            return std::any(e);
        };
        p.SetMethod = [set](TObject& o, const std::any& a) {
            E e;
            if (a.has_value()) {
                const E* typed = std::any_cast<E>(&a);
                if (!typed) throw EConvertError(std::string("Handler is not a ") + E::TypeName);
                e = *typed;
            }
            Put(set, o, std::move(e));
        };
        return *this;
    }

    // A handler method of a form, bound by name to event properties of type E.
    template <class E, class M> TClassBuilder& Handler(const char* name, M method)
    {
        info_.Handlers.push_back({name, E::TypeName, [method](TObject& root) -> std::any {
                                      T* self = static_cast<T*>(&root);
                                      return std::any(E([self, method](auto&&... args) {
                                          return std::invoke(method, self,
                                                             std::forward<decltype(args)>(args)...);
                                      }));
                                  }});
        return *this;
    }

    // A form's field for its component of the same name.
    template <class F> TClassBuilder& Field(const char* name, F T::*field)
    {
        static_assert(std::is_pointer_v<F>, "Field needs a pointer member");
        using P = std::remove_pointer_t<F>;
        info_.Fields.push_back({name, &P::StaticClass,
                                [field](TObject& o) -> TComponent* { return static_cast<T&>(o).*field; },
                                [field](TObject& o, TComponent* c) -> bool {
                                    P* typed = c ? dynamic_cast<P*>(c) : nullptr;
                                    if (c && !typed) return false;
                                    static_cast<T&>(o).*field = typed;
                                    return true;
                                }});
        return *this;
    }

    // Modifiers of the property published last.
    TClassBuilder& Default(int64_t value)
    {
        Last().HasDefault = true;
        Last().Default = value;
        return *this;
    }
    TClassBuilder& NoDefault()
    {
        Last().HasDefault = false;
        return *this;
    }
    TClassBuilder& Stored(bool stored)
    {
        Last().Stored = stored;
        return *this;
    }

private:
    template <class G> using ValueOf = std::remove_cvref_t<std::invoke_result_t<G, T&>>;

    template <class G> static decltype(auto) Get(const G& get, TObject& o)
    {
        return std::invoke(get, static_cast<T&>(o));
    }
    template <class S, class V> static void Put(const S& set, TObject& o, V&& v)
    {
        if constexpr (std::is_member_object_pointer_v<S>)
            std::invoke(set, static_cast<T&>(o)) = std::forward<V>(v);
        else
            std::invoke(set, static_cast<T&>(o), std::forward<V>(v));
    }
    template <class V, class S> static std::function<void(TObject&, int64_t)> OrdSetter(S set)
    {
        if constexpr (std::is_null_pointer_v<S>)
            return nullptr;
        else
            return [set](TObject& o, int64_t v) { Put(set, o, static_cast<V>(v)); };
    }

    TPropInfo& Last() { return info_.Props.back(); }
    TPropInfo& Add(const char* name, TPropKind kind, std::string typeName)
    {
        TPropInfo& p = info_.Props.emplace_back();
        p.Name = name;
        p.Kind = kind;
        p.TypeName = std::move(typeName);
        return p;
    }

    template <class G, class S>
    TClassBuilder& AddInt(const char* name, G get, S set, bool hasDefault, int64_t def)
    {
        using V = ValueOf<G>;
        static_assert(std::is_integral_v<V> && !std::is_same_v<V, bool>, "Int needs an integer getter");
        static_assert(sizeof(V) <= 4 || std::is_signed_v<V>, "unsigned 64-bit properties are not supported");
        TPropInfo& p = Add(name, sizeof(V) <= 4 ? TPropKind::Integer : TPropKind::Int64,
                           sizeof(V) <= 4 ? "Integer" : "Int64");
        p.MinValue = std::numeric_limits<V>::min();
        p.MaxValue = std::numeric_limits<V>::max();
        // 32-bit values are often written as raw hexadecimal patterns.
        if constexpr (sizeof(V) == 4 && std::is_signed_v<V>) p.MaxValue = 0xFFFFFFFFll;
        p.HasDefault = hasDefault;
        p.Default = def;
        p.GetOrd = [get](TObject& o) -> int64_t { return static_cast<int64_t>(Get(get, o)); };
        p.SetOrd = OrdSetter<V>(set);
        return *this;
    }

    template <class G, class S> TPropInfo& AddEnum(const char* name, G get, S set)
    {
        using V = ValueOf<G>;
        static_assert(std::is_enum_v<V> || std::is_same_v<V, bool>, "Enum needs an enumeration getter");
        const TEnumInfo& e = EnumInfoFor<V>();
        TPropInfo& p = Add(name, TPropKind::Enumeration, e.TypeName);
        p.EnumType = &e;
        p.MinValue = 0;
        p.MaxValue = e.Count() - 1;
        p.GetOrd = [get](TObject& o) -> int64_t { return static_cast<int64_t>(Get(get, o)); };
        p.SetOrd = OrdSetter<V>(set);
        return p;
    }

    template <class G, class S> TPropInfo& AddSet(const char* name, G get, S set)
    {
        using V = ValueOf<G>;
        static_assert(IsTSet<V>::value, "Set needs a TSet getter");
        const TEnumInfo& e = EnumInfoFor<typename IsTSet<V>::Element>();
        TPropInfo& p = Add(name, TPropKind::Set, "set of " + e.TypeName);
        p.EnumType = &e;
        p.GetOrd = [get](TObject& o) -> int64_t { return static_cast<int64_t>(Get(get, o).Bits()); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.SetOrd = [set](TObject& o, int64_t v) { Put(set, o, V::FromBits(static_cast<uint64_t>(v))); };
        return p;
    }

    template <class G, class S> TPropInfo& AddColor(const char* name, G get, S set)
    {
        using V = ValueOf<G>;
        static_assert(std::is_integral_v<V> && sizeof(V) == 4, "Color needs a TColor getter");
        TPropInfo& p = Add(name, TPropKind::Color, "TColor");
        p.MinValue = std::numeric_limits<int32_t>::min();
        p.MaxValue = 0xFFFFFFFFll;
        p.GetOrd = [get](TObject& o) -> int64_t { return static_cast<int32_t>(Get(get, o)); };
        p.SetOrd = OrdSetter<V>(set);
        return p;
    }

    TClassInfo& info_;
};

// Starts the class record of T (parent: T::inherited). Component classes
// constructible from an owner get a factory, so layouts can create them.
template <class T> TClassBuilder<T> PublishClass()
{
    static_assert(std::is_base_of_v<typename T::inherited, T>, "ORVANE_CLASS names the wrong parent");
    TClassInfo& info = NewClassInfo(T::StaticClassName, &T::inherited::StaticClass());
    if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                  std::is_constructible_v<T, TComponent*>)
        info.Create = [](TComponent* owner) -> TComponent* { return new T(owner); };
    return TClassBuilder<T>(info);
}

// ---------------------------------------------------------------------------
// By-name access. Names may be dotted paths through object properties
// ("Font.Color"). A property the object's class does not publish reads as
// empty, 0 or none, and setting it writes nothing.

const TPropInfo* GetPropInfo(const TObject* obj, const std::string& name);
bool IsPublishedProp(const TObject* obj, const std::string& name);

std::string GetProperty(TObject* obj, const std::string& name); // the value as text
int32_t GetIntProperty(TObject* obj, const std::string& name);  // ordinals, colours, sets as bits
int64_t GetInt64Property(TObject* obj, const std::string& name);
double GetFloatProperty(TObject* obj, const std::string& name);
std::string GetEnumProperty(TObject* obj, const std::string& name); // the value's name
std::string GetStringProp(TObject* obj, const std::string& name);
TObject* GetObjProp(TObject* obj, const std::string& name);
TStrings* GetStringsProp(TObject* obj, const std::string& name);
TMethod GetObjMethod(TObject* obj, const std::string& name);

// Converts text by the property's kind (integers, enumeration names, "[a,b]"
// sets, colour names or numbers, True/False, floats, component names for
// references, CR LF separated lines for string lists). Answers whether a
// property was written; a value that does not convert raises EConvertError.
bool SetProperty(TObject* obj, const std::string& name, const std::string& text);
bool SetIntProperty(TObject* obj, const std::string& name, int64_t value);
bool SetFloatProperty(TObject* obj, const std::string& name, double value);
bool SetStringProp(TObject* obj, const std::string& name, const std::string& value);
bool SetObjProp(TObject* obj, const std::string& name, TObject* value);
bool SetObjMethod(TObject* obj, const std::string& name, const TMethod& method);

// Text conversions shared with the layout reader and writer.
std::string SetToString(const TEnumInfo& info, uint64_t bits, const char* separator = ",");
std::string FloatToText(double value); // shortest text that reads back exactly
bool IsValidIdent(const std::string& ident);
