// Starting a game's process.
#pragma once

#include <string>

#include "application_record.h"

// The started process, or why none started.
struct GameProcessStart {
    unsigned long processId = 0;  // 0: nothing started
    std::string failure;          // for the support log
};

// Starts `command.program` (when empty, the program the command line names,
// as the platform reads it) with the command line unchanged, in its folder
// (empty: the caller's). Nothing starts when the program or the folder is a
// network path, a path in the platform's namespaces or names a device. Nobody
// waits for the game.
GameProcessStart StartGameCommand(const GameCommand& command);

// The start of an application record's "APP" and "APATH"
// (RecordedGameCommand), as the tray's game menu starts games; a null folder
// is the caller's.
GameProcessStart StartGameProcess(const char* commandLine, const char* workingDirectory);
