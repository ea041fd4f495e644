#pragma once
// Helpers of the registry tests: a hive in a temporary folder, a clock the
// test moves by hand, and a registry that fails the calls it is told to.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "HiveRegistry.h"
#include "IdleTimer.h"
#include "RegistryKeys.h"

// The message of the ERegistryError that f raises.
template <class F>
std::string ErrorOf(F f)
{
    try {
        f();
    } catch (const ERegistryError& e) {
        return e.what();
    }
    return "(no error)";
}

class TFakeClock : public TIdleTimerFactory {
public:
    TIdleTimer* Create(int intervalMs, std::function<void()> expiry) override
    {
        timers_.push_back(std::make_unique<TFake>(this, intervalMs, std::move(expiry)));
        return timers_.back().get();
    }
    // Moves the clock on, running every expiry that falls due on the way.
    void Advance(long long ms)
    {
        const long long target = now_ + ms;
        for (;;) {
            TFake* next = nullptr;
            for (auto& t : timers_)
                if (t->due >= 0 && t->due <= target && (!next || t->due < next->due)) next = t.get();
            if (!next) break;
            now_ = next->due;
            next->due = now_ + next->interval;
            next->firing = true;
            next->expiry();
            next->firing = false;
            if (next->disposed) Remove(next);
        }
        now_ = target;
    }
    std::size_t Timers() const { return timers_.size(); }

private:
    struct TFake : TIdleTimer {
        TFake(TFakeClock* c, int i, std::function<void()> e) : clock(c), interval(i), expiry(std::move(e)) {}
        void Restart() override { due = clock->now_ + interval; }
        void Dispose() override
        {
            disposed = true;
            due = -1;
            if (!firing) clock->Remove(this);
        }
        TFakeClock* clock;
        int interval;
        std::function<void()> expiry;
        long long due = -1;
        bool disposed = false, firing = false;
    };
    void Remove(TFake* t)
    {
        std::erase_if(timers_, [t](const auto& p) { return p.get() == t; });
    }
    long long now_ = 0;
    std::vector<std::unique_ptr<TFake>> timers_;
};

// Forwards to another registry, failing the calls named in Failing.
class TFaultyRegistry : public TRegistryApi {
public:
    explicit TFaultyRegistry(TRegistryApi& inner) : inner_(inner) {}
    std::set<std::string> Failing;

    long CreateKey(TRegKey b, const std::string& s, TRegKey* r) override
    {
        return Fails("CreateKey") ? regAccessDenied : inner_.CreateKey(b, s, r);
    }
    long OpenKey(TRegKey b, const std::string& s, TRegKey* r) override { return inner_.OpenKey(b, s, r); }
    long CloseKey(TRegKey k) override { return Fails("CloseKey") ? regInvalidHandle : inner_.CloseKey(k); }
    long DeleteKey(TRegKey b, const std::string& s) override { return inner_.DeleteKey(b, s); }
    long QueryValue(TRegKey k, const std::string& n, std::uint32_t* t, std::uint8_t* d, std::uint32_t* s) override
    {
        return d && Fails("QueryData") ? regAccessDenied : inner_.QueryValue(k, n, t, d, s);
    }
    long SetValue(TRegKey k, const std::string& n, std::uint32_t t, const std::uint8_t* d, std::uint32_t s) override
    {
        return Fails("SetValue") ? regAccessDenied : inner_.SetValue(k, n, t, d, s);
    }
    long DeleteValue(TRegKey k, const std::string& n) override { return inner_.DeleteValue(k, n); }

private:
    bool Fails(const std::string& call) const { return Failing.count(call) > 0; }
    TRegistryApi& inner_;
};

// A fresh hive in a temporary folder, used by the components for the
// fixture's lifetime, with the fake clock for their idle timers.
class RegistryFixture : public testing::Test {
protected:
    RegistryFixture() : hive(dir.path() + "/pelorix/HKEY_CURRENT_USER.reg"), faulty(hive) {}

    // These go to the registry in use unless told otherwise.
    static bool KeyExists(const std::string& path, TRegistryApi& registry = Registry())
    {
        TRegKey key = 0;
        if (registry.OpenKey(hkCurrentUser, path, &key) != regSuccess) return false;
        registry.CloseKey(key);
        return true;
    }
    // The data of a value; "(none)" when there is none.
    static std::vector<std::uint8_t> ValueOf(const std::string& keyPath, const std::string& name,
                                             TRegistryApi& hive = Registry())
    {
        const std::vector<std::uint8_t> none = {'(', 'n', 'o', 'n', 'e', ')'};
        TRegKey key = 0;
        if (hive.OpenKey(hkCurrentUser, keyPath, &key) != regSuccess) return none;
        std::uint32_t size = 0;
        std::vector<std::uint8_t> data;
        long r = hive.QueryValue(key, name, nullptr, nullptr, &size);
        if (r == regSuccess) {
            data.resize(size);
            r = hive.QueryValue(key, name, nullptr, data.data(), &size);
        }
        hive.CloseKey(key);
        return r == regSuccess ? data : none;
    }
    static void SetValueOf(const std::string& keyPath, const std::string& name, const std::vector<std::uint8_t>& data,
                           TRegistryApi& hive = Registry())
    {
        TRegKey key = 0;
        ASSERT_EQ(hive.CreateKey(hkCurrentUser, keyPath, &key), regSuccess);
        ASSERT_EQ(hive.SetValue(key, name, rtBinary, data.data(), static_cast<std::uint32_t>(data.size())),
                  regSuccess);
        hive.CloseKey(key);
    }

    QTemporaryDir dir;
    THiveRegistry hive;
    TFaultyRegistry faulty;
    TFakeClock clock;

private:
    TRegistryScope useFaulty_{&faulty};
    TIdleTimersScope useClock_{&clock};
};
