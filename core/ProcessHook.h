#pragma once
// A process-wide hook: the one place a value of THook is installed (one per
// tag type), its setter, and the guard that installs a value for its own
// lifetime and puts back what it replaced, so mains and tests never write
// their own restore-on-exit code. An empty value (nullptr, an empty function)
// means "none installed"; each hook's accessor supplies its default then.
//
//     using TRegistryHook = TProcessHook<TRegistryApi*, struct TRegistryTag>;
//     TRegistryHook::TScope installed(&hive);

#include <utility>

template <class THook, class TTag>
class TProcessHook {
public:
    // The value installed; empty when there is none.
    static const THook& Installed() { return Storage(); }
    // Installs a value and returns the one it replaced.
    static THook Set(THook hook) { return std::exchange(Storage(), std::move(hook)); }

    class TScope {
    public:
        explicit TScope(THook hook) : previous_(Set(std::move(hook))) {}
        ~TScope() { Set(std::move(previous_)); }
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;

    private:
        THook previous_;
    };

private:
    static THook& Storage()
    {
        static THook hook{};
        return hook;
    }
};
