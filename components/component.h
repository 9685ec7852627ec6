// The component model: persistent objects, components with owners, names and
// notifications, and the filer interface through which components store
// properties of their own ("defined properties") in layouts. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "components/typinfo.h"
#include "runtime/classes.h"
#include "runtime/sysutils.h"

class TPersistent;
class TComponent;
class TReader;
class TWriter;

// Reading and writing layouts both go through a filer; DefineProperties sees
// either and declares the properties the class stores itself.
class TFiler {
public:
    using TReaderProc = std::function<void(TReader&)>;
    using TWriterProc = std::function<void(TWriter&)>;
    using TStreamProc = std::function<void(TStream&)>;

    virtual ~TFiler() = default;

    // hasData: whether a writer stores the property at all.
    virtual void DefineProperty(const std::string& name, const TReaderProc& readData,
                                const TWriterProc& writeData, bool hasData) = 0;
    // Binary data: the reader hands a stream positioned at 0 holding the
    // bytes; the writer hands a stream to fill.
    virtual void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                                      const TStreamProc& writeData, bool hasData) = 0;

    TComponent* Root() const { return root_; }

protected:
    explicit TFiler(TComponent* root) : root_(root) {}
    TComponent* root_;
};

class TPersistent : public TObject {
    ORVANE_CLASS(TPersistent, TObject)

    // Copies source's state; the default asks source to AssignTo this and
    // fails with EConvertError "Cannot assign a X to a Y".
    virtual void Assign(const TPersistent* source);
    virtual void DefineProperties(TFiler& filer);

protected:
    virtual void AssignTo(TPersistent* dest) const;
};

class EComponentError : public Exception {
    using Exception::Exception;
};

enum TComponentStateItem {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance
};
ORVANE_ENUM_INFO(TComponentStateItem, csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor,
                 csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance)
using TComponentState = TSet<TComponentStateItem>;

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent, public INamedComponent {
    ORVANE_CLASS(TComponent, TPersistent)

    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Runs the last whole-object steps, then deletes. Owners free their
    // components this way; a plain delete is equivalent but skips
    // BeforeDestruction overrides.
    void Free();

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;                  // raises EListError when out of range
    int ComponentIndex() const;                               // in the owner's list, -1 without owner
    TComponent* FindComponent(const std::string& name) const; // letter case ignored
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void DestroyComponents(); // the owned components, last created first

    const std::string& GetName() const override { return name_; }
    // An identifier, unique (without regard to case) among the owner's
    // components, or empty. Raises EComponentError.
    virtual void SetName(const std::string& newName);
    int32_t Tag = 0;

    TComponentState ComponentState() const { return state_; }
    void SetDesigning(bool value);
    // Only readers and the framework's own load paths change these.
    void SetLoadingState(bool loading, bool reading);

    // After a layout has been read completely. Clears csLoading.
    virtual void Loaded();
    // Told about components inserted into or removed from the owner, and
    // about the destruction of components this one asked FreeNotification
    // of. Note: at opInsert the inserted component is still being
    // constructed, so only its TComponent part may be used.
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    // Asks to be told (opRemove) when AComponent is destroyed, so references
    // to it can be cleared; needed across owners, implied within one.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    // The layout reader calls this with the object a component is nested in;
    // controls override it to become that control's child.
    virtual void SetParentComponent(TComponent* parent);
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual bool HasParent() const { return false; }

    // Handler names a layout bound to this component's events, kept for
    // writing layouts back and for by-name access.
    void SetEventBinding(const std::string& propName, const std::string& handlerName) override;
    std::string GetEventBinding(const std::string& propName) const override;
    TObject* FindReference(const std::string& name) const override;

protected:
    // Sets csDestroying on this component and everything it owns.
    void Destroying();
    virtual void BeforeDestruction();
    virtual void ValidateRename(TComponent* component, const std::string& curName,
                                const std::string& newName) const;

private:
    void SetReference(bool enable);
    void InsertIntoList(TComponent* component);
    void RemoveFromList(TComponent* component);
    void RemoveNotification(TComponent* component);

    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    std::string name_;
    TComponentState state_;
    std::vector<std::pair<std::string, std::string>> eventBindings_;
};
