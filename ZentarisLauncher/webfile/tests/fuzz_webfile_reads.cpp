// Feeds chunks into a URL file's buffer and takes them out again with line
// and record reads of varying sizes: every byte must come out once, in order,
// and no read may store past its destination (ASan watches the heap copies).
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "webfile.h"
#include "webfile_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    WebFile file{};
    file.kind = WebFileUrl;  // running stays 0: reads take what is buffered
    std::string fed, taken;
    size_t at = 0;
    while (at + 2 <= size) {
        const uint8_t op = input[at];
        const size_t amount = input[at + 1] % 64 + 1;
        at += 2;
        if (op % 3 == 0) {
            const size_t n = amount < size - at ? amount : size - at;
            std::vector<char> chunk(input + at, input + at + n);
            if (WebFileAppend(chunk.data(), 1, n, &file) != n) abort();
            fed.append(chunk.data(), n);
            at += n;
        } else if (op % 3 == 1) {
            // Exactly sized heap destination: one byte too many is caught.
            char* line = static_cast<char*>(malloc(amount));
            if (WebFileReadLine(line, static_cast<int>(amount), &file)) {
                const size_t got = strnlen(line, amount);
                // A piece holds at most one '\n', and only as its last byte.
                const void* newline = memchr(line, '\n', got);
                if (newline && static_cast<const char*>(newline) != line + got - 1) abort();
                taken.append(line, got);
            }
            free(line);
        } else {
            const size_t record = op % 7 + 1;
            const size_t count = amount / record + 1;
            char* records = static_cast<char*>(malloc(record * count));
            const int before = file.length;
            const size_t whole = WebFileRead(records, record, count, &file);
            const size_t moved = static_cast<size_t>(before - file.length);
            if (whole != moved / record) abort();
            taken.append(records, moved);
            free(records);
        }
        if (file.start > file.capacity) abort();
        if (file.length < 0 || static_cast<unsigned>(file.length) > file.capacity - file.start) abort();
        if ((file.data == nullptr) != (file.capacity == 0)) abort();
        if (WebFileAtEnd(&file) != (file.length == 0 ? 1 : 0)) abort();
    }
    // Line reads stop at a 0 byte as strings do, so compare only when none was fed.
    if (memchr(fed.data(), 0, fed.size()) == nullptr) {
        const std::string rest(file.data ? file.data + file.start : "", file.length);
        if (taken + rest != fed) abort();
    }
    free(file.data);
    return 0;
}
