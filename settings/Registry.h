#pragma once
// The registry calls the settings components make, under HKEY_CURRENT_USER.
// Every call returns 0 on success and a Windows error code otherwise, so the
// components treat every backend alike: the real registry on Windows, a hive
// file of our own everywhere else.

#include <cstddef>
#include <cstdint>
#include <string>

#include "ProcessHook.h"

// An open registry key; 0 is none.
using TRegKey = std::uintptr_t;

// The predefined root keys (the values of HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE on Windows).
inline constexpr TRegKey hkCurrentUser = 0x80000001u;
inline constexpr TRegKey hkLocalMachine = 0x80000002u;

// Results, with their Windows values.
enum : long {
    regSuccess = 0,
    regFileNotFound = 2,
    regAccessDenied = 5,
    regInvalidHandle = 6,
    regWriteFault = 29,
    regLockViolation = 33,
    regInvalidParameter = 87,
    regMoreData = 234,
    regKeyDeleted = 1018,
};

// Value types, with their Windows values.
enum : std::uint32_t { rtNone = 0, rtString = 1, rtExpandString = 2, rtBinary = 3, rtDword = 4 };

// Values larger than this are refused: a settings value never comes near it,
// and it keeps the whole hive small enough to rewrite on every change.
inline constexpr std::size_t MaxValueSize = 1024 * 1024;

class TRegistryApi {
public:
    virtual ~TRegistryApi() = default;

    // Opens subKey below base, creating every missing key on the way.
    virtual long CreateKey(TRegKey base, const std::string& subKey, TRegKey* result) = 0;
    // Opens subKey below base; fails when it does not exist.
    virtual long OpenKey(TRegKey base, const std::string& subKey, TRegKey* result) = 0;
    virtual long CloseKey(TRegKey key) = 0;
    // Deletes subKey below base; fails when it still has sub-keys.
    virtual long DeleteKey(TRegKey base, const std::string& subKey) = 0;
    // With data null, stores the value's size in *size. Otherwise *size is the
    // buffer's size on entry and the value's size on return; a buffer that is
    // too small gives regMoreData. type may be null.
    virtual long QueryValue(TRegKey key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) = 0;
    // Creates or replaces the value.
    virtual long SetValue(TRegKey key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;
    virtual long DeleteValue(TRegKey key, const std::string& name) = 0;
};

// The registry the components use: the one installed, else on Windows the
// platform's own and elsewhere none (every call fails with regAccessDenied);
// the window program installs the hive file there (settings/qt).
TRegistryApi& Registry();
// The registry installed (nullptr: the default above); the installer keeps ownership.
using TRegistryHook = TProcessHook<TRegistryApi*, struct TRegistryTag>;
using TRegistryScope = TRegistryHook::TScope;

// The machine-wide registry under hkLocalMachine, read only and kept apart
// from the user's hive: its writes fail with regAccessDenied. The one
// installed, else on Windows the real machine hive and elsewhere one without
// keys; the window program installs a view of the running system there
// (SystemFacts.h, settings/qt).
TRegistryApi& MachineRegistry();
// The machine registry installed (nullptr: the default above); the installer
// keeps ownership.
using TMachineRegistryHook = TProcessHook<TRegistryApi*, struct TMachineRegistryTag>;
using TMachineRegistryScope = TMachineRegistryHook::TScope;
