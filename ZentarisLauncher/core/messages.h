// The launcher's messages to the user: modal boxes with no owner window, an
// OK button and no icon. Only launch mode shows them.
#pragma once

void ShowLauncherMessage(const char* text, const char* caption);

// Shows the message, then ends the process at once with exit status 0.
[[noreturn]] void ShowFatalLauncherMessage(const char* text, const char* caption);
