// The reader's internal steps, shared by its two source files and its tests.
#pragma once

#include <stddef.h>

#include "webfile.h"

// libcurl's write callback: appends a received chunk to `record`'s buffer,
// moving the unread bytes to the block's front when the chunk does not fit
// behind them, and growing the block by exactly what is still short. Returns
// the bytes kept; fewer than size*count makes libcurl end the transfer with a
// write error.
size_t WebFileAppend(char* bytes, size_t size, size_t count, void* record);

// Waits, driving the transfer, until at least `want` bytes are buffered or the
// transfer has ended. Returns at once when more than `want` bytes are already
// buffered or nothing runs; otherwise makes at least one pass.
void WebFileFill(WebFile* file, size_t want);

// Drops the first `n` unread bytes (moving none); a drained buffer is
// released.
void WebFileConsume(WebFile* file, size_t n);

// Starts the transfer of `name` as a URL into `file` (kind already set) and
// waits until its first byte has arrived or it has ended. False when it ended
// without a single byte; the easy handle is then removed and cleaned up. The
// HTTP status the server answered goes to `status` (when not null).
bool WebFileStartUrl(WebFile* file, const char* name, long* status);

// Removes the transfer from the thread's multi handle and cleans it up.
void WebFileStopUrl(WebFile* file);
