// The owner of an open WebFile, as every caller in C++ holds one: it closes
// the file once, when it goes.
#pragma once

#include <memory>

#include "webfile.h"

namespace zentaris {

struct WebFileCloser {
    void operator()(WebFile* file) const { WebFileClose(file); }
};

// The close's result is not kept; a caller that needs it closes the file
// itself with WebFileClose(file.release()).
using UniqueWebFile = std::unique_ptr<WebFile, WebFileCloser>;

// A worker thread's use of URL files, ended with the thread's work (see
// WebFileThreadDone). Made before the thread's files, so that they are
// closed first.
class WebFileThreadScope {
public:
    WebFileThreadScope() = default;
    WebFileThreadScope(const WebFileThreadScope&) = delete;
    WebFileThreadScope& operator=(const WebFileThreadScope&) = delete;
    ~WebFileThreadScope() { WebFileThreadDone(); }
};

}  // namespace zentaris
