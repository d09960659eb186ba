#include "setup/installlib/component.h"

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace installlib {

bool IsValidIdent(std::string_view name)
{
    if (name.empty() || name.size() > 63)
        return false;
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!alpha(name[0]))
        return false;
    return std::all_of(name.begin() + 1, name.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

TComponent::TComponent(TComponent* Owner)
    : owner_(Owner)
{
    if (owner_)
        owner_->components_.push_back(this);
}

const TMetaClass& TComponent::StaticClass()
{
    static const TMetaClass meta("TComponent", &TObject::StaticClass());
    return meta;
}

TComponent::~TComponent()
{
    state_ |= csDestroying;
    // A receiver may drop its link while it is told, so walk a copy.
    const std::vector<TComponent*> notifies = freeNotifies_;
    for (TComponent* c : notifies) {
        if (std::find(freeNotifies_.begin(), freeNotifies_.end(), c) == freeNotifies_.end())
            continue;
        auto& back = c->freeNotifies_;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        c->Notification(this, opRemove);
    }
    freeNotifies_.clear();
    // Last to first, so that a component made later (which may refer to an
    // earlier one) goes first.
    while (!components_.empty()) {
        TComponent* c = components_.back();
        components_.pop_back();
        c->owner_ = nullptr;
        delete c;
    }
    if (owner_) {
        auto& list = owner_->components_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void TComponent::FreeNotification(TComponent* Component)
{
    if (!Component || Component == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), Component) == freeNotifies_.end())
        freeNotifies_.push_back(Component);
    auto& back = Component->freeNotifies_;
    if (std::find(back.begin(), back.end(), this) == back.end())
        back.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* Component)
{
    if (!Component)
        return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), Component), freeNotifies_.end());
    auto& back = Component->freeNotifies_;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
}

static bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

TComponent* TComponent::FindComponent(std::string_view Name) const
{
    if (Name.empty())
        return nullptr;
    for (TComponent* c : components_)
        if (sameName(c->name_, Name))
            return c;
    return nullptr;
}

void TComponent::SetName(std::string_view NewName)
{
    if (NewName == name_)
        return;
    if (!NewName.empty() && !IsValidIdent(NewName))
        throw EComponentError(TranslateFormat("'%s' is not a valid component name", { NewName }));
    if (owner_ && !NewName.empty()) {
        TComponent* other = owner_->FindComponent(NewName);
        if (other && other != this)
            throw EComponentNameClash(TranslateFormat("A component named %s already exists", { NewName }));
    }
    name_ = std::string(NewName);
}

} // namespace installlib
