// Writes a component tree back as layout text: the root's properties, then
// every component it owns, nested by parent. A property is written when its
// value differs from its default (always, when it has none), followed by the
// component's defined properties. Reading the text back gives the same state.
#pragma once

#include <string>

#include "components/component.h"

class TWriter : public TFiler {
public:
    explicit TWriter(TComponent& root);

    std::string WriteRootComponent();

    // For DefineProperty write procedures: exactly one value each.
    void WriteInteger(int64_t value);
    void WriteFloat(double value);
    void WriteString(const std::string& value);
    void WriteBoolean(bool value);
    void WriteIdent(const std::string& value);

    void DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

private:
    void WriteComponent(TComponent& component, int depth);
    void WriteProperties(TObject& obj, TComponent& component, const std::string& prefix);
    void WriteProperty(TObject& obj, TComponent& component, const TPropInfo& p, const std::string& prefix);
    void BeginProperty(const std::string& name);
    void EndProperty();

    TComponent& rootComponent_;
    std::string out_;
    std::string indent_;
    std::string prefix_; // "Font." while writing a sub-object's defined properties
};

// Quoted layout string: printable ASCII in quotes, everything else as #n.
std::string QuoteLayoutString(const std::string& s);
std::string WriteLayout(TComponent& root);
