// Folders that a web page can fill without the user choosing a place: what
// the browser downloads, what the user saves to the desktop or documents, the
// temporary folders and the browsers' caches. A program lying there may have
// come from any page, so no launch takes it for an installed game.
#pragma once

#include <string>
#include <vector>

// This user's such folders, each in its canonical spelling
// (CanonicalFolder), those that cannot be found left out.
std::vector<std::string> PageFillableFolders();

// The folder's full, long spelling, in upper case, for comparing with
// IsSameOrBelowFolder: "." and ".." resolved, short (8.3) names expanded
// where the folder exists. Empty when the platform cannot resolve it.
std::string CanonicalFolder(const std::string& folder);

// True when `folder` is or lies below one of PageFillableFolders(); a
// folder the platform cannot resolve counts as one.
bool IsInPageFillableFolder(const std::string& folder);
