// Launch mode: from the command line to a started game.
#pragma once

#include "launch_info.h"

// Carries out a launch command. Works on the caller's copy of the command
// line and cuts it at its first space.
void RunLaunchCommand(char* commandLine);

// Fills `info` from the token. Returns 0 when the prefix matched and the
// payload was split, -1 (after telling the user) when it was rejected.
int ParseLaunchCommand(LaunchInfo* info, const char* token);
