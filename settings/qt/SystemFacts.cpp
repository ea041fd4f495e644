#include "SystemFacts.h"

#include <QString>
#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace {

std::string CurrentUserFullName()
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return {};
    return FullName(found->pw_gecos ? found->pw_gecos : "", found->pw_name ? found->pw_name : "");
}

} // namespace

std::string FullName(const std::string& comment, const std::string& login)
{
    const std::string name = comment.substr(0, comment.find(','));
    return name.empty() ? login : name;
}

void AddSystemFacts(TFixedRegistry& registry)
{
    registry.AddText(CurrentVersionKey, "ProductName", QSysInfo::prettyProductName().toStdString());
    registry.AddText(CurrentVersionKey, "CurrentVersion", QSysInfo::productVersion().toStdString());
    registry.AddText(CurrentVersionKey, "CurrentBuildNumber", QSysInfo::kernelVersion().toStdString());
    registry.AddText(CurrentVersionKey, "RegisteredOwner", CurrentUserFullName());
    registry.AddText(CurrentVersionKey, "RegisteredOrganization", "");
}
