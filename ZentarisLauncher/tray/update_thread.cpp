// The tray's update check: at its start, then when its timer comes.
#include "update_thread.h"

#include <memory>

#include "tray_messages.h"
#include "update_check.h"
#include "webfile_owner.h"

DWORD WINAPI UpdateCheckThread(LPVOID window)
{
    const zentaris::WebFileThreadScope web;
    auto report = std::make_unique<UpdateReport>(CheckForUpdate(UpdateRunner::Tray));
    return PostOwned(static_cast<HWND>(window), WM_TRAY_UPDATE, std::move(report)) ? 0 : 1;
}
