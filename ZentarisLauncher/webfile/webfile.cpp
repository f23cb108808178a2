// The five calls: a local file goes straight to stdio, a URL reads from the
// buffer that its transfer fills.
#include "webfile.h"

#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "webfile_internal.h"

namespace {

// A record that is neither local nor URL (or no record at all).
bool UnknownKind(const WebFile* file)
{
    if (file && (file->kind == WebFileLocal || file->kind == WebFileUrl)) return false;
    errno = EBADF;
    return true;
}

}  // namespace

void WebFileConsume(WebFile* file, size_t n)
{
    if (n >= static_cast<size_t>(file->length)) {
        free(file->data);
        file->data = nullptr;
        file->start = 0;
        file->length = 0;
        file->capacity = 0;
        return;
    }
    // The rest stays where it is: a read costs no copy beyond its own.
    file->start += static_cast<unsigned>(n);
    file->length -= static_cast<int>(n);
}

WebFile* WebFileOpen(const char* name, const char* mode)
{
    return WebFileOpenWithin(name, mode, 0);
}

WebFile* WebFileOpenWithin(const char* name, const char* mode, long timeoutMs)
{
    return WebFileOpenAnswered(name, mode, timeoutMs, nullptr);
}

WebFile* WebFileOpenAnswered(const char* name, const char* mode, long timeoutMs, long* status)
{
    if (status) *status = 0;
    if (!name || !mode || timeoutMs < 0) {
        errno = EINVAL;
        return nullptr;
    }
    WebFile* file = static_cast<WebFile*>(calloc(1, sizeof(WebFile)));
    if (!file) return nullptr;
    if (FILE* stream = fopen(name, mode)) {
        file->kind = WebFileLocal;
        file->source.stream = stream;
        return file;
    }
    file->kind = WebFileUrl;
    file->timeoutMs = timeoutMs;
    if (!WebFileStartUrl(file, name, status)) {
        free(file->data);
        free(file);
        return nullptr;
    }
    return file;
}

size_t WebFileRead(void* destination, size_t size, size_t count, WebFile* file)
{
    if (UnknownKind(file)) return 0;
    if (file->kind == WebFileLocal) return fread(destination, size, count, file->source.stream);
    // Nothing to deliver, and a record size of 0 could not be counted.
    if (size == 0 || count == 0) return 0;
    size_t want = count > SIZE_MAX / size ? SIZE_MAX : size * count;
    WebFileFill(file, want);
    if (file->length == 0) return 0;
    if (static_cast<size_t>(file->length) < want) want = file->length;
    memcpy(destination, file->data + file->start, want);
    WebFileConsume(file, want);
    return want / size;
}

char* WebFileReadLine(char* destination, int size, WebFile* file)
{
    if (UnknownKind(file)) return nullptr;
    // Without room for the terminating 0 nothing can be delivered.
    if (size <= 0) return nullptr;
    if (file->kind == WebFileLocal) return fgets(destination, size, file->source.stream);
    size_t want = static_cast<size_t>(size) - 1;
    WebFileFill(file, want);
    if (file->length == 0) return nullptr;
    if (static_cast<size_t>(file->length) < want) want = file->length;
    const char* unread = file->data + file->start;
    if (const void* newline = memchr(unread, '\n', want)) {
        want = static_cast<const char*>(newline) - unread + 1;
    }
    memcpy(destination, unread, want);
    destination[want] = 0;
    WebFileConsume(file, want);
    return destination;
}

int WebFileAtEnd(WebFile* file)
{
    if (UnknownKind(file)) return -1;
    if (file->kind == WebFileLocal) return feof(file->source.stream);
    return file->length == 0 && file->running == 0 ? 1 : 0;
}

int WebFileComplete(WebFile* file)
{
    if (UnknownKind(file)) return 0;
    if (file->kind == WebFileLocal) return feof(file->source.stream) ? 1 : 0;
    return file->complete ? 1 : 0;
}

int WebFileClose(WebFile* file)
{
    if (!file) {
        errno = EBADF;
        return -1;
    }
    int result = -1;
    if (file->kind == WebFileLocal) {
        result = fclose(file->source.stream);
    } else if (file->kind == WebFileUrl) {
        WebFileStopUrl(file);
        result = 0;
    } else {
        errno = EBADF;
    }
    free(file->data);
    free(file);
    return result;
}
