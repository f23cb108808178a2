#include "launcher_command_line.h"

#include <algorithm>

namespace zenproto {

std::optional<size_t> LauncherPathLength(const char16_t* data, size_t unitsRead, size_t capacity)
{
    const size_t units = std::min(unitsRead, capacity);
    const char16_t* end = std::find(data, data + units, u'\0');
    const size_t length = static_cast<size_t>(end - data);
    if (length >= capacity) return std::nullopt;
    return length;
}

size_t LaunchCommandLineLength(std::u16string_view path, std::u16string_view argument)
{
    return path.size() + argument.size() + 3;  // two quotes and a space
}

void FormatLaunchCommandLine(std::u16string_view path, std::u16string_view argument, char16_t* out)
{
    *out++ = u'"';
    out = std::copy(path.begin(), path.end(), out);
    *out++ = u'"';
    *out++ = u' ';
    out = std::copy(argument.begin(), argument.end(), out);
    *out = u'\0';
}

}  // namespace zenproto
