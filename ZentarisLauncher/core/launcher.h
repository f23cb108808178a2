// Launch mode: from the command line to a started game.
#pragma once

#include <cstddef>

#include "launch_info.h"

// Carries out a launch command: parse, ask the portal, start the game.
// Works on the caller's copy of the command line and cuts it at its first
// space.
void RunLaunchCommand(char* commandLine);

// Fills `info` from the token. Returns 0 when the prefix matched and the
// payload was split, -1 (after telling the user) when it was rejected.
int ParseLaunchCommand(LaunchInfo* info, const char* token);

// Asks the portal whether this launch may go on: true only when the first
// line of PortalBaseUrl + "launcher/" + approvalid + "/" begins with "1".
// Shows nothing; blocks until the answer is read or the request failed.
bool IsLaunchApproved(const LaunchInfo* info);

// Starts the game from its application record, or on a first launch locates
// it, writes the record and starts it; when no record can be used or made,
// takes the fallback start.
void StartApplication(const LaunchInfo* info);

// Reads the installation directory that the launch command names and builds
// the command line and working directory in the given buffers. Leaves both
// empty when the directory cannot be read or either text would not fit. Does
// not return when the root abbreviation is unknown or the installation key
// cannot be opened: it tells the user and ends the process.
void LocateApplication(char* commandLine, size_t commandLineSize, char* workingDirectory,
                       size_t workingDirectorySize, const LaunchInfo* info);

// The fallback start: locate, then start, touching no application record.
void StartLocatedApplication(const LaunchInfo* info);
