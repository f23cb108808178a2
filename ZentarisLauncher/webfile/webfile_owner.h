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

}  // namespace zentaris
