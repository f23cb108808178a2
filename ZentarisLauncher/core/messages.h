// The launcher's messages to the user: modal boxes with no owner window, an
// OK button and no icon. Only the top of the launch road shows them.
#pragma once

void ShowLauncherMessage(const char* text, const char* caption);
