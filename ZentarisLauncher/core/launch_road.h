// The launch road as a pipeline of values: link text -> decoded fields ->
// checked link -> approved link -> located game -> started game. Each step
// takes the value the last one made and gives the next, or one failure; only
// the top of the road (launch_mode.cpp) decides what the user is told.
// Portable.
#pragma once

#include <string>
#include <variant>

#include "application_record.h"

// Every way a launch ends early. The top maps each to what the user sees.
enum class LaunchError {
    NotStandalone,  // no command line to speak of
    BadCommand,     // not a launch command
    InvalidLink,    // a launch command the launcher will not carry out
    NotApproved,    // the portal did not approve it
    AppNotFound,    // the installation key the link names does not exist
    GameNotFound,   // the key gives no folder to start the game from
    NotStarted,     // the platform did not start the game
};

// A failure and, for the support log, what exactly refused (a rule, the
// portal's answer, the folder tried); never a signature.
struct LaunchFailure {
    LaunchError error;
    std::string reason;
};

template <class T>
using Step = std::variant<T, LaunchFailure>;

template <class T>
const LaunchFailure* FailureOf(const Step<T>& step)
{
    return std::get_if<LaunchFailure>(&step);
}

// The six fields of a launch link, all present, in payload order.
struct LinkFields {
    std::string appname;
    std::string installkey;
    std::string installvalue;
    std::string exename;
    std::string weblink;
    std::string approvalid;
};

// A link that passed every rule: an executable inside the game's folder, an
// approval id that names one page, signed as this launcher requires.
struct CheckedLink : LinkFields {
    bool verified = false;  // its signature verified (false: a launcher that takes unsigned links)
};

// A checked link the portal approved.
struct ApprovedLink {
    CheckedLink link;
    long status = 0;  // the portal's HTTP status
};

// A game ready to start, and for the support log where it was found.
struct LocatedGame {
    GameCommand command;
    std::string source;
};

struct StartedGame {
    unsigned long processId = 0;
};
