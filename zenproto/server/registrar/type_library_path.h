// Where a module's type library is looked for and where its help lies.
#pragma once

#include "registry_access.h"

namespace registrar {

inline constexpr size_t kMaxModulePath = 260;

// The module path with its extension (from the last '.' after the last
// '\\' or '/') replaced by ".tlb", or ".tlb" appended when it has none.
// False when that path would have kMaxModulePath characters or more.
bool TypeLibraryFileBeside(const Text& modulePath, Text& tlbPath);

// The path up to and including its last '\\', '/' or ':'; empty if none.
Text HelpDirectoryOf(const Text& path);

}  // namespace registrar
