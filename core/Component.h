#pragma once
// A minimal component model: an owner holds its components and frees them
// with itself, each component has a Name, and when one component is removed
// the owner tells all the others, so links to it can be cleared.

#include <string>
#include <string_view>
#include <vector>

enum class TOperation { opInsert, opRemove };

class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    TComponent* Owner() const { return owner_; }
    const std::vector<TComponent*>& Components() const { return components_; }
    TComponent* FindComponent(std::string_view name) const;

    // Loading: the owner's components get their stored settings between
    // BeginLoading and EndLoading; EndLoading then calls Loaded on each of them.
    bool Loading() const { return loading_; }
    void BeginLoading();
    void EndLoading();
    // True from the start of the destructor: components may ask their owner.
    bool Destroying() const { return destroying_; }

protected:
    // Told by the owner when a component is inserted or removed.
    virtual void Notification(TComponent* component, TOperation operation);
    // Called once the owner has finished loading its components.
    virtual void Loaded() {}
    // Derived destructors call this first, so that Destroying() holds while
    // they run (a base destructor runs too late for that).
    void MarkDestroying() { destroying_ = true; }

private:
    void Insert(TComponent* component);
    void Remove(TComponent* component);

    std::string name_;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    bool loading_ = false;
    bool destroying_ = false;
};
