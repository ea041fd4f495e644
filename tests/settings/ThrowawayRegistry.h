#pragma once
// Helpers every registry test shares, without Qt: a clock the test moves by
// hand, a registry that fails the calls it is told to, and a fixture that
// roots the current user's keys at a throwaway key of the registry under
// test, so that no test ever touches the user's own settings.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

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

// Forwards to another registry, failing the calls named in Failing, and
// counts the keys opened through it and not yet closed.
class TFaultyRegistry : public TRegistryApi {
public:
    explicit TFaultyRegistry(TRegistryApi& inner) : inner_(inner) {}
    std::set<std::string> Failing;
    int OpenKeys = 0;

    long CreateKey(TRegKey b, const std::string& s, TRegKey* r) override
    {
        return Fails("CreateKey") ? regAccessDenied : Opened(inner_.CreateKey(b, s, r));
    }
    long OpenKey(TRegKey b, const std::string& s, TRegKey* r) override { return Opened(inner_.OpenKey(b, s, r)); }
    long CloseKey(TRegKey k) override
    {
        if (Fails("CloseKey")) return regInvalidHandle;
        const long result = inner_.CloseKey(k);
        if (result == regSuccess) --OpenKeys;
        return result;
    }
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
    long Opened(long result)
    {
        if (result == regSuccess) ++OpenKeys;
        return result;
    }
    TRegistryApi& inner_;
};

// These go to the registry in use unless told otherwise.
inline bool KeyExists(const std::string& path, TRegistryApi& registry = Registry())
{
    TRegKey key = 0;
    if (registry.OpenKey(hkCurrentUser, path, &key) != regSuccess) return false;
    registry.CloseKey(key);
    return true;
}
// The data of a value; "(none)" when there is none.
inline std::vector<std::uint8_t> ValueOf(const std::string& keyPath, const std::string& name,
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
inline void SetValueOf(const std::string& keyPath, const std::string& name, const std::vector<std::uint8_t>& data,
                       TRegistryApi& hive = Registry())
{
    TRegKey key = 0;
    ASSERT_EQ(hive.CreateKey(hkCurrentUser, keyPath, &key), regSuccess);
    ASSERT_EQ(hive.SetValue(key, name, rtBinary, data.data(), static_cast<std::uint32_t>(data.size())),
              regSuccess);
    hive.CloseKey(key);
}


// The registry the throwaway keys are made in, defined by each registry test
// program: a hive in a temporary folder, or the platform's registry.
TRegistryApi& TestedRegistry();

// Forwards to another registry with HKEY_CURRENT_USER replaced by a fresh
// key below it; deletes every key made below that one, and the key itself,
// when destroyed. The interface has no way to list sub-keys, so it notes the
// keys created through it.
class TThrowawayRoot : public TRegistryApi {
public:
    explicit TThrowawayRoot(TRegistryApi& inner);
    ~TThrowawayRoot() override;
    TThrowawayRoot(const TThrowawayRoot&) = delete;
    TThrowawayRoot& operator=(const TThrowawayRoot&) = delete;

    // Its path below the real HKEY_CURRENT_USER.
    const std::string& RootPath() const { return rootPath_; }
    // Below this key all throwaway roots are made.
    static constexpr const char* Parent = "Software\\Pelorix tests";

    long CreateKey(TRegKey base, const std::string& subKey, TRegKey* result) override;
    long OpenKey(TRegKey base, const std::string& subKey, TRegKey* result) override;
    long CloseKey(TRegKey key) override;
    long DeleteKey(TRegKey base, const std::string& subKey) override;
    long QueryValue(TRegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long SetValue(TRegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long DeleteValue(TRegKey key, const std::string& name) override;

private:
    TRegKey Map(TRegKey key) const { return key == hkCurrentUser ? root_ : key; }
    // Notes subKey below base and every key on the way as made.
    void NoteCreated(TRegKey base, const std::string& subKey, TRegKey result);
    void NoteOpened(TRegKey base, const std::string& subKey, TRegKey result);
    std::string PathBelow(TRegKey base, const std::string& subKey) const;

    TRegistryApi& inner_;
    std::string rootPath_;
    TRegKey root_ = 0;
    std::map<TRegKey, std::string> openPaths_; // handle -> path below the root, where known
    std::set<std::string> created_;            // paths below the root
};

// The registry components over a throwaway root of TestedRegistry(), through
// a registry that fails calls on demand, with the fake clock for their idle
// timers.
class ThrowawayKeyFixture : public testing::Test {
protected:
    ThrowawayKeyFixture() : root(TestedRegistry()), faulty(root) {}

    TThrowawayRoot root;
    TFaultyRegistry faulty;
    TFakeClock clock;

private:
    TRegistryScope useFaulty_{&faulty};
    TIdleTimersScope useClock_{&clock};
};

// The same with the program's own keys, made as the main window makes them:
// Software\Corvath\Pelorix\1.1 and Form1 below it, both owned by form.
class ProgramKeysFixture : public ThrowawayKeyFixture {
protected:
    ProgramKeysFixture()
    {
        app = new TAppConfigKey(&form);
        app->SetName("AppConfigKey1");
        app->SetCompanyName("Corvath");
        app->SetApplicationName("Pelorix");
        app->SetApplicationVersion("1.1");
        form1 = new TCustomKey(&form);
        form1->SetName("Form1");
        form1->SetParentKey(app);
    }
    TComponent form;
    TAppConfigKey* app;
    TCustomKey* form1;
};
