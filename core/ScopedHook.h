#pragma once
// A process-wide hook installed for the lifetime of a guard: the guard puts
// back whatever its setter replaced, so mains and tests never write their own
// restore-on-exit code. Every setter it wraps returns the hook it replaced.

#include <utility>

template <class THook, THook (*Set)(THook)>
class TScopedHook {
public:
    explicit TScopedHook(THook hook) : previous_(Set(std::move(hook))) {}
    ~TScopedHook() { Set(std::move(previous_)); }
    TScopedHook(const TScopedHook&) = delete;
    TScopedHook& operator=(const TScopedHook&) = delete;

private:
    THook previous_;
};
