#include "application_record.h"

#include "installation.h"

std::string ApplicationRecordPath(std::string_view appname)
{
    std::string path(zentaris::AppBranch);
    path += '\\';
    path += appname;
    return path;
}

std::string ApplicationExecutablePath(std::string_view app)
{
    if (app.size() < 2) return {};
    app.remove_prefix(1);
    return std::string(app.substr(0, app.find('"')));
}
