// Starting a game's process.
#pragma once

// Starts the program that `commandLine` names, with that command line
// unchanged, in `workingDirectory` (null or empty: the caller's). Nothing
// starts when the program or the folder is a network path. A command line that
// opens with a quotation mark (as "APP" does, never closing it) has its
// executable given to the platform explicitly (the text after that mark, up
// to a closing one or the end), so the start does not depend on how the
// platform reads an unclosed quote.
// Nobody waits for the game, and a failed start is not reported.
void StartGameProcess(const char* commandLine, const char* workingDirectory);
