#include "type_library_path.h"

namespace registrar {

bool TypeLibraryFileBeside(const Text& modulePath, Text& tlbPath)
{
    const size_t separator = modulePath.find_last_of(u"\\/");
    const size_t dot = modulePath.find_last_of(u'.');
    const bool hasExtension = dot != Text::npos && (separator == Text::npos || dot > separator);
    Text path = modulePath.substr(0, hasExtension ? dot : modulePath.size()) + u".tlb";
    if (path.size() >= kMaxModulePath) return false;
    tlbPath = std::move(path);
    return true;
}

Text HelpDirectoryOf(const Text& path)
{
    const size_t end = path.find_last_of(u"\\/:");
    return end == Text::npos ? Text() : path.substr(0, end + 1);
}

}  // namespace registrar
