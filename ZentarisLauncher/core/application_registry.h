// The launcher's side of the application registry (HKEY_CURRENT_USER
// branch): open, make and read an application's record.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "registry.h"

// An existing record, opened for reading; no key when there is none.
zentaris::RegistryKey OpenApplicationRecord(std::string_view appname);

// Opens the branch with full access only to learn whether records can be
// made under it; the handle is used for nothing else.
bool ApplicationBranchIsWritable();

// Creates (or opens) a record by its full path, intermediate keys included.
zentaris::RegistryKey CreateApplicationRecord(std::string_view appname);

// A text value read whole as the launcher's texts hold it (LauncherTextSize
// bytes with its terminator). Nothing when the value is missing, or when it
// does not fit with its terminator: a shortened command line or directory
// must not be used.
std::optional<std::string> ReadRecordText(const zentaris::RegistryKey& record, const char* name);
