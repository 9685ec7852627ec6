#include "components/component.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// TPersistent

const TClassInfo& TPersistent::StaticClass()
{
    static const TClassInfo& info = PublishClass<TPersistent>();
    return info;
}

void TPersistent::Assign(const TPersistent* source)
{
    if (source) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* dest) const
{
    throw EConvertError("Cannot assign a " + ClassName() + " to a " + (dest ? dest->ClassName() : "nil"));
}

void TPersistent::DefineProperties(TFiler&) {}

// ---------------------------------------------------------------------------
// TComponent

const TClassInfo& TComponent::StaticClass()
{
    static const TClassInfo& info = PublishClass<TComponent>()
                                        .String("Name", &TComponent::GetName, &TComponent::SetName)
                                        .Stored(false) // the layout's object header carries it
                                        .Int("Tag", &TComponent::Tag, &TComponent::Tag, 0);
    return info;
}

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    if (!state_.Contains(csDestroying)) Destroying();
    // Subscribers drop their references before anything is torn down.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        auto& theirs = other->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Free()
{
    BeforeDestruction();
    delete this;
}

void TComponent::BeforeDestruction()
{
    if (!state_.Contains(csDestroying)) Destroying();
}

void TComponent::Destroying()
{
    if (state_.Contains(csDestroying)) return;
    state_.Include(csDestroying);
    for (TComponent* c : components_)
        c->Destroying();
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount())
        throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const
{
    if (!owner_) return -1;
    auto& list = owner_->components_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const
{
    if (name.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, name)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    if (!component || component->owner_ == this) return;
    ValidateRename(component, "", component->name_);
    if (component->owner_) component->owner_->RemoveComponent(component);
    InsertIntoList(component);
    component->SetReference(true);
    if (state_.Contains(csDesigning)) component->SetDesigning(true);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (!component || component->owner_ != this) return;
    component->SetReference(false);
    RemoveFromList(component);
    Notification(component, opRemove);
}

void TComponent::InsertIntoList(TComponent* component)
{
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::RemoveFromList(TComponent* component)
{
    components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
    component->owner_ = nullptr;
}

void TComponent::DestroyComponents()
{
    while (!components_.empty()) {
        TComponent* c = components_.back();
        // The owner may live on (an explicit call): its field must not dangle.
        c->SetReference(false);
        // Leave the list first so the component's own removal from its owner
        // finds nothing to do; a component that others watch is removed with
        // notification so that siblings drop references to it.
        if (c->state_.Contains(csFreeNotification))
            RemoveComponent(c);
        else
            RemoveFromList(c);
        c->Free();
    }
}

void TComponent::SetName(const std::string& newName)
{
    if (newName == name_) return;
    if (!newName.empty() && !IsValidIdent(newName))
        throw EComponentError("'" + newName + "' is not a valid component name");
    if (owner_)
        owner_->ValidateRename(this, name_, newName);
    else
        ValidateRename(nullptr, name_, newName);
    SetReference(false);
    name_ = newName;
    SetReference(true);
}

void TComponent::ValidateRename(TComponent* component, const std::string& curName,
                                const std::string& newName) const
{
    if (!component || newName.empty() || SameText(curName, newName)) return;
    TComponent* other = FindComponent(newName);
    if (other && other != component)
        throw EComponentError("A component named " + newName + " already exists");
}

// Keeps the owner's field of this component's name pointing at it.
void TComponent::SetReference(bool enable)
{
    if (!owner_ || name_.empty()) return;
    const TFieldInfo* field = owner_->ClassType().FindField(name_);
    if (!field) return;
    if (enable) {
        field->Set(*owner_, this); // a field of another class is left alone
    } else if (field->Get(*owner_) == this) {
        field->Set(*owner_, nullptr);
    }
}

void TComponent::SetDesigning(bool value)
{
    if (value)
        state_.Include(csDesigning);
    else
        state_.Exclude(csDesigning);
    for (TComponent* c : components_)
        c->SetDesigning(value);
}

void TComponent::SetLoadingState(bool loading, bool reading)
{
    if (loading)
        state_.Include(csLoading);
    else
        state_.Exclude(csLoading);
    if (reading)
        state_.Include(csReading);
    else
        state_.Exclude(csReading);
}

void TComponent::Loaded()
{
    state_.Exclude(csLoading);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
    // Owned components hear about their siblings through their owner.
    for (size_t i = components_.size(); i-- > 0;) {
        if (i >= components_.size()) continue; // a handler removed components
        components_[i]->Notification(AComponent, Operation);
    }
}

void TComponent::FreeNotification(TComponent* AComponent)
{
    if (!AComponent || AComponent == this) return;
    if (!owner_ || AComponent->owner_ != owner_) {
        if (std::find(freeNotifies_.begin(), freeNotifies_.end(), AComponent) == freeNotifies_.end())
            freeNotifies_.push_back(AComponent);
        auto& theirs = AComponent->freeNotifies_;
        if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
    }
    state_.Include(csFreeNotification);
    AComponent->state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent)
{
    if (!AComponent) return;
    RemoveNotification(AComponent);
    AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component)
{
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component),
                        freeNotifies_.end());
}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::SetEventBinding(const std::string& propName, const std::string& handlerName)
{
    for (auto it = eventBindings_.begin(); it != eventBindings_.end(); ++it)
        if (SameText(it->first, propName)) {
            if (handlerName.empty())
                eventBindings_.erase(it);
            else
                it->second = handlerName;
            return;
        }
    if (!handlerName.empty()) eventBindings_.emplace_back(propName, handlerName);
}

TObject* TComponent::FindReference(const std::string& name) const
{
    return (owner_ ? owner_ : this)->FindComponent(name);
}

std::string TComponent::GetEventBinding(const std::string& propName) const
{
    for (const auto& b : eventBindings_)
        if (SameText(b.first, propName)) return b.second;
    return {};
}
