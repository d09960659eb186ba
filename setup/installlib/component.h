#pragma once

// The non-visual component the install objects, the translator and the
// version reader are built on: a name that is unique among the components
// of one owner, ownership (an owner frees what it owns), a tag and the
// loading and design flags that property setters consult. A component can
// ask to be told when another one is freed (FreeNotification), so that it
// can clear its reference to it.

#include "setup/installlib/classes.h"
#include "setup/installlib/exceptions.h"

#include <string>
#include <string_view>
#include <vector>

namespace installlib {

// A component name that is not an identifier, or that another component of
// the same owner already has.
class EComponentError : public Exception {
public:
    using Exception::Exception;
};

class EComponentNameClash : public EComponentError {
public:
    using EComponentError::EComponentError;
};

enum TComponentStateFlag : unsigned {
    csLoading = 1,
    csDesigning = 2,
    csDestroying = 4,
};

// True for a name a component may carry: a letter or "_" followed by
// letters, digits and "_" (ASCII), at most 63 characters.
bool IsValidIdent(std::string_view name);

enum TOperation { opInsert, opRemove };

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* Owner = nullptr);
    ~TComponent() override;
    static const TMetaClass& StaticClass();
    const TMetaClass& ClassType() const override { return StaticClass(); }
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    // Raises EComponentError for an invalid name and EComponentNameClash when
    // another component of the owner has it (compared without case). An
    // empty name is allowed.
    virtual void SetName(std::string_view NewName);

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int Index) const { return components_.at(static_cast<std::size_t>(Index)); }
    TComponent* FindComponent(std::string_view Name) const;

    unsigned ComponentState() const { return state_; }
    bool IsLoading() const { return (state_ & csLoading) != 0; }
    bool IsDesigning() const { return (state_ & csDesigning) != 0; }
    bool IsDestroying() const { return (state_ & csDestroying) != 0; }
    void SetLoading(bool on) { on ? state_ |= csLoading : state_ &= ~csLoading; }
    void SetDesigning(bool on) { on ? state_ |= csDesigning : state_ &= ~csDesigning; }

    // Called once the constructor of the most derived class has finished, by
    // CreateComponent and by TMetaClass::Create: the place for set-up that
    // needs the class's own virtual operations.
    virtual void AfterConstruction() { }

    // Called once the component's stored properties have all been set.
    virtual void Loaded() { SetLoading(false); }

    // Asks that Component's Notification(this, opRemove) runs when this
    // component is freed, and the other way round. Null is ignored.
    void FreeNotification(TComponent* Component);
    void RemoveFreeNotification(TComponent* Component);

    int Tag = 0;

protected:
    // AComponent, for which a free notification was asked, is being freed.
    virtual void Notification(TComponent* AComponent, TOperation Operation)
    {
        (void)AComponent;
        (void)Operation;
    }

private:
    std::vector<TComponent*> freeNotifies_;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::string name_;
    unsigned state_ = 0;
};

// Runs a new component's AfterConstruction; on failure the component is
// freed and the error passes on.
template <class T> T* FinishConstruction(T* component)
{
    try {
        component->AfterConstruction();
    } catch (...) {
        delete component;
        throw;
    }
    return component;
}

// Makes a T with Owner and finishes its construction.
template <class T> T* CreateComponent(TComponent* Owner)
{
    return FinishConstruction(new T(Owner));
}

} // namespace installlib
