// A local file or a URL read through the same five calls as a stdio stream.
// A name is tried as a local file first; only when that fails is it fetched
// with libcurl, driven by the reading thread itself. Reads block the calling
// thread until enough bytes have arrived or the transfer has ended.
//
// A URL file belongs to the thread that opened it: make every call on it from
// that thread. Each thread keeps one libcurl multi handle for its transfers
// (and their kept connections) until WebFileThreadDone; libcurl's
// process-wide state lives while any thread has one.
#pragma once

#include <stddef.h>
#include <stdio.h>

enum { WebFileLocal = 1, WebFileUrl = 2 };

// Heap record from WebFileOpen, freed by WebFileClose. Allocated zero-filled,
// so a record's `kind` is 0 until it is set up.
struct WebFile {
    int kind;               // WebFileLocal or WebFileUrl
    union {
        FILE* stream;       // WebFileLocal
        void* easy;         // WebFileUrl: the transfer's libcurl easy handle
    } source;
    char* data;             // received bytes, the unread ones from `start` on; null when empty
    unsigned capacity;      // size of the `data` block; 0 exactly when `data` is null
    unsigned start;         // offset of the first unread byte in `data`
    int length;             // unread bytes from `start` on (start + length <= capacity)
    int running;            // transfers still running in the thread's multi handle
    long timeoutMs;         // WebFileOpenWithin: the URL transfer's whole time; 0 for none
    int complete;           // URL: the transfer ended with every byte the server announced
};

// A new record, or null when the name is neither a local file (opened with
// `mode`) nor an http or https URL whose server answers 200 and delivers at
// least one byte of its body; a URL open blocks until that first byte or the
// transfer's end. Any other status (an error page, a redirect, which is never
// followed) is no file at all: an error page's body must not pass for the
// portal's data. A URL is always read as bytes.
WebFile* WebFileOpen(const char* name, const char* mode);

// WebFileOpen for a caller that cannot wait for ever: a URL transfer ends
// `timeoutMs` after it started, whatever has arrived by then (the open fails
// when nothing has). Local files are not bounded.
WebFile* WebFileOpenWithin(const char* name, const char* mode, long timeoutMs);

// WebFileOpenWithin that also says what the server answered: its HTTP status,
// or 0 when no answer came (no connection, nothing within the time) or the
// name is a local file. Stored whether or not the open succeeds, where
// `status` is not null.
WebFile* WebFileOpenAnswered(const char* name, const char* mode, long timeoutMs, long* status);

// Like fread: the number of whole records of `size` bytes delivered. A
// trailing partial record at the end is copied and consumed but not counted.
size_t WebFileRead(void* destination, size_t size, size_t count, WebFile* file);

// Like fgets: at most size-1 bytes up to and including the first '\n',
// terminated with 0. Null when nothing was delivered; the destination is then
// untouched. A URL read waits for size-1 bytes, or the end, before it looks
// for the line end.
char* WebFileReadLine(char* destination, int size, WebFile* file);

// Non-zero at the end, 0 before it, -1 (errno EBADF) for a record of unknown
// kind. Does not drive the transfer.
int WebFileAtEnd(WebFile* file);

// Non-zero when the file was delivered whole: a URL whose transfer has ended
// with every byte the server announced (its length, or the body of an answer
// without one ended by the server), a local file at its end. 0 while bytes may
// still come, and for a transfer that was cut off, reset or stopped at its
// deadline. Does not drive the transfer.
int WebFileComplete(WebFile* file);

// 0 for a URL, the fclose result for a local file, -1 (errno EBADF) for a
// record of unknown kind. The record and its buffer are freed in every case.
int WebFileClose(WebFile* file);

// Ends the calling thread's use of URL files, once every file it opened is
// closed: its kept connections close, and when no other thread has a multi
// handle, libcurl's process-wide state goes too, with the libraries it loaded
// (Schannel's security provider among them). A later open starts it again. A
// thread that opened no URL, or has already called this, changes nothing.
// A thread that never calls it keeps its handle until the process ends.
void WebFileThreadDone(void);
