// A picture of the registry and regsvr32, for Windows tests of registration.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace probe {

// Every key and value under root\path, one line each, sorted.
std::vector<std::string> Snapshot(HKEY root, const std::wstring& path);

// Runs the platform's regsvr32 silently; its exit code, or -1.
int Regsvr32(const std::string& arguments);

}  // namespace probe
