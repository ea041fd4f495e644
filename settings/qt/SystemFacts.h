#pragma once
// The machine-wide facts of a system without a Windows registry, laid out
// as Windows keeps them, so the about box shows the truth everywhere. The
// window program installs them as the machine registry (WindowSetup.h).

#include <string>

#include "FixedRegistry.h"

// The key that holds them.
inline constexpr const char* CurrentVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// ProductName, CurrentVersion and CurrentBuildNumber from the operating
// system, RegisteredOwner the user's full name, RegisteredOrganization empty.
void AddSystemFacts(TFixedRegistry& registry);

// The full name of a password-database entry: its comment field up to the
// first comma, or the login name when that is empty.
std::string FullName(const std::string& comment, const std::string& login);
