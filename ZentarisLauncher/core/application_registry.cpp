#include "application_registry.h"

#include "application_record.h"
#include "installation.h"

using zentaris::RegistryKey;

RegistryKey OpenApplicationRecord(std::string_view appname)
{
    return RegistryKey::Open(HKEY_CURRENT_USER, ApplicationRecordPath(appname).c_str());
}

bool ApplicationBranchIsWritable()
{
    return static_cast<bool>(RegistryKey::Open(HKEY_CURRENT_USER, zentaris::AppBranch, KEY_ALL_ACCESS));
}

RegistryKey CreateApplicationRecord(std::string_view appname)
{
    return RegistryKey::Create(HKEY_CURRENT_USER, ApplicationRecordPath(appname).c_str());
}

std::optional<std::string> ReadRecordText(const RegistryKey& record, const char* name)
{
    return record.Text(name, zentaris::LauncherTextSize, zentaris::TerminatorRule::MustFit);
}
