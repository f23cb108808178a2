// Resources read from the portal web server. The launcher's paths follow
// PortalBaseUrl directly; the handler's image has a full URL of its own.
#pragma once

#include "portal_config.h"

namespace zentaris {

// PortalBaseUrl + "launcher/" + approval id + "/": first byte "1" approves.
inline constexpr char ApprovalPath[] = "launcher/";
// Lines of "display name;url" for the tray's download menu.
inline constexpr char DownloadListPath[] = "images/uinstapp.dat";
// A packed 268 x 79 bitmap shown above the taskbar.
inline constexpr char NewsImagePath[] = "launcher/news.dib";
// Opened in the user's browser, never read by the system.
inline constexpr char NewsPagePath[] = "pages/news/";
// Longest the tray's fetches from the portal (the download list, the news
// picture) may take, in seconds: a portal that stalls or drips must not hold
// a worker thread, and the popup it would show, for ever.
inline constexpr long TrayFetchTimeoutSeconds = 30;
// The signed update manifest: the newest launcher, its installer's URL,
// size and SHA-256 (ZentarisLauncher/update/update_manifest.h).
inline constexpr char UpdateManifestPath[] = "launcher/update.txt";
// Longest the download of the installer a manifest names may take, in
// seconds: 64 MiB at least 75 KB/s.
inline constexpr long UpdateDownloadTimeoutSeconds = 900;
// Path of InstallCheckImageUrl on the portal.
inline constexpr char InstallCheckImagePath[] = "/images/space.gif";

}  // namespace zentaris
