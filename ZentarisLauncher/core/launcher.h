// Launch mode: from the command line to a started game, as the pipeline of
// launch_road.h. The portable steps are in launch_command.h (decode) and
// launch_rules.h (check); these are the steps that reach the portal, the
// registry and the platform, and the top of the road.
#pragma once

#include "launch_info.h"
#include "launch_road.h"

// The top of the road: an optional LogArgument, then the launch command. Runs
// each step in turn, writes each outcome to the support log when it is on,
// and alone tells the user how a launch ended early.
void RunLaunchCommand(const char* commandLine);

// Asks the portal about the link's approval id: approved only by a 200
// answer whose first byte is "1" and which arrived whole within
// ApprovalTimeoutSeconds. Blocks until then; shows nothing.
Step<ApprovedLink> AskPortal(CheckedLink link);

// The game's program and folder: from its application record; or, on a first
// launch, from the installation record the link names, which is then
// recorded (the record's key is made first, and stays empty when the game is
// not found); or, when the application record cannot be used or made, from
// the installation record alone, touching no record.
Step<LocatedGame> LocateGame(const ApprovedLink& approved);

// Starts the game; nobody waits for it.
Step<StartedGame> StartGame(const LocatedGame& game);
