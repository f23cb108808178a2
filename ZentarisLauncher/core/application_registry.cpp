#include "application_registry.h"

#include <cstring>
#include <string>

#include "application_record.h"
#include "installation.h"
#include "registry_text.h"

bool OpenApplicationRecord(const char* appname, zentaris::UniqueRegKey& record)
{
    const std::string path = ApplicationRecordPath(appname);
    return RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, record.put()) == ERROR_SUCCESS;
}

bool ApplicationBranchIsWritable()
{
    zentaris::UniqueRegKey branch;
    return RegOpenKeyExA(HKEY_CURRENT_USER, zentaris::AppBranch, 0, KEY_ALL_ACCESS, branch.put()) ==
           ERROR_SUCCESS;
}

bool CreateApplicationRecord(const char* appname, zentaris::UniqueRegKey& record)
{
    const std::string path = ApplicationRecordPath(appname);
    return RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, record.put(), nullptr) == ERROR_SUCCESS;
}

bool ReadRecordText(HKEY record, const char* name, char* buffer, size_t size)
{
    if (size == 0) return false;
    buffer[0] = '\0';
    const std::optional<std::string> text = ReadRegistryText(record, name, size, TerminatorRule::MustFit);
    if (!text) return false;
    std::memcpy(buffer, text->c_str(), text->size() + 1);
    return true;
}

void WriteRecordText(HKEY record, const char* name, const char* text)
{
    RegSetValueExA(record, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}
