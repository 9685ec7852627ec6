// Reads a layout into a root component (a form): sets the root's properties,
// creates the nested components by registered class name with the root as
// owner and the enclosing object as parent, binds events to the root's
// handler methods and runs Loaded once everything is read. Portable.
#pragma once

#include <string>
#include <vector>

#include "components/component.h"
#include "components/layoutparser.h"

class TReader : public TFiler {
public:
    explicit TReader(TComponent& root);

    // Errors raise ELayoutError naming the component, property and line.
    void ReadRootComponent(const TLayoutObject& layout);

    // For DefineProperty read procedures: the value being read, and its
    // conversions (EReadError when the value is of another kind).
    const TLayoutValue& Value() const;
    int32_t ReadInteger() const;
    int64_t ReadInt64() const;
    double ReadFloat() const;
    std::string ReadString() const;
    bool ReadBoolean() const;
    std::string ReadIdent() const;

    // The component whose properties are being read, and its parent.
    TComponent* Component() const { return component_; }
    TComponent* Parent() const { return parent_; }

    void DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

private:
    struct Fixup {
        TObject* holder;
        const TPropInfo* prop;
        std::string target;
        std::string component;
        int line;
    };

    void ReadComponent(const TLayoutObject& node, TComponent* parent);
    void ReadProperties(TComponent& component, const TLayoutObject& node);
    void ReadProperty(TComponent& component, const TLayoutProperty& prop);
    void SetPropValue(TComponent& component, TObject& holder, const TPropInfo& p, const TLayoutValue& v);
    void ResolveFixups();
    void FinishLoading();
    [[noreturn]] void Fail(const std::string& reason, int line) const;

    TComponent& rootComponent_;
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
    TComponent* component_ = nullptr;
    TComponent* parent_ = nullptr;
    std::string componentName_; // for messages
    std::string propName_;      // the full (dotted) name being read
    std::string definedName_;   // the last part, as DefineProperties sees it
    const TLayoutValue* value_ = nullptr;
    bool defined_ = false;
};

// Parses the text and reads it into root. The layout's class must be root's
// class or an ancestor of it; a root without a name takes the layout's.
void ReadLayout(TComponent& root, std::string_view text);
