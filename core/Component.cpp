#include "Component.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner)
{
    if (owner) owner->Insert(this);
}

TComponent::~TComponent()
{
    destroying_ = true;
    // Free the owned components, the last created first.
    while (!components_.empty()) delete components_.back();
    if (owner_) owner_->Remove(this);
}

TComponent* TComponent::FindComponent(std::string_view name) const
{
    for (TComponent* c : components_)
        if (c->name_ == name) return c;
    return nullptr;
}

void TComponent::BeginLoading()
{
    loading_ = true;
    for (TComponent* c : components_) c->loading_ = true;
}

void TComponent::EndLoading()
{
    loading_ = false;
    for (TComponent* c : components_) c->loading_ = false;
    // Copy: a Loaded handler may create components.
    std::vector<TComponent*> loaded = components_;
    for (TComponent* c : loaded) c->Loaded();
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::Insert(TComponent* component)
{
    component->owner_ = this;
    components_.push_back(component);
    for (TComponent* c : components_)
        if (c != component) c->Notification(component, TOperation::opInsert);
}

void TComponent::Remove(TComponent* component)
{
    std::erase(components_, component);
    component->owner_ = nullptr;
    Notification(component, TOperation::opRemove);
    std::vector<TComponent*> others = components_;
    for (TComponent* c : others) c->Notification(component, TOperation::opRemove);
}
