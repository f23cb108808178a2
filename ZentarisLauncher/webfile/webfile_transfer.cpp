// The URL side of the reader: libcurl's process-wide setup, the per-thread
// multi handle, the write callback and the wait that drives a transfer.
#include <curl/curl.h>

#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <mutex>

#include "webfile_internal.h"

namespace {

// One multi handle per thread, made on the thread's first URL open and kept
// until the thread is done with URLs (WebFileThreadDone).
thread_local CURLM* threadMulti = nullptr;

// libcurl's process-wide state, started with the first thread's multi handle
// and ended with the last: a program that reads URLs only now and then (the
// tray, at its start and once a day) does not hold what libcurl loaded for
// them in between. curl_global_init and curl_global_cleanup run under the
// lock, never beside one another or beside a thread's first handle.
class CurlUsers {
public:
    bool Join()
    {
        const std::lock_guard<std::mutex> hold(lock_);
        if (users_ == 0 && curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return false;
        ++users_;
        return true;
    }
    void Leave()
    {
        const std::lock_guard<std::mutex> hold(lock_);
        if (--users_ == 0) curl_global_cleanup();
    }

private:
    std::mutex lock_;
    int users_ = 0;
};

CurlUsers& Users()
{
    static CurlUsers users;
    return users;
}

// Longest a pass waits when neither the transfer nor libcurl's next timer
// (which includes the transfer's time-out) ends it sooner; libcurl's own
// blocking transfer waits in passes of the same length.
constexpr int PassWaitMs = 1000;

#ifdef _WIN32
// Winsock tells of a failed connection attempt in select's exception set,
// which libcurl's wait does not ask for, and through the socket's event only
// when the failure comes after the wait has begun: a refusal just before it
// would be seen only when the pass ends. While the connection is being made,
// passes stay short.
constexpr int ConnectingPassWaitMs = 50;
#endif

// `length` is an int and `capacity` never exceeds what `length` can reach.
constexpr size_t BufferLimit = INT_MAX;

// The thread's multi handle, made with its share of libcurl's state; null
// when either cannot be had.
CURLM* ThreadMulti()
{
    if (threadMulti || !Users().Join()) return threadMulti;
    threadMulti = curl_multi_init();
    if (!threadMulti) Users().Leave();
    return threadMulti;
}

// Notes on each record whose transfer ended whether it ended whole. Several
// files of one thread share its multi handle, so each message finds its
// record through the handle's private pointer.
void CollectEndings(CURLM* multi)
{
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg != CURLMSG_DONE) continue;
        char* record = nullptr;
        if (curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &record) != CURLE_OK || !record) continue;
        reinterpret_cast<WebFile*>(record)->complete = message->data.result == CURLE_OK;
    }
}

void Perform(CURLM* multi, int* running)
{
    CURLMcode result;
    do {
        result = curl_multi_perform(multi, running);
    } while (result == CURLM_CALL_MULTI_PERFORM);
    // A multi handle libcurl can no longer drive leaves `running` as it was:
    // the reader would wait for ever on a transfer that cannot move, so the
    // transfer ends here with what has arrived (and is not whole).
    if (result != CURLM_OK) {
        *running = 0;
        return;
    }
    CollectEndings(multi);
}

// libcurl knows the status once the first body byte has arrived, or the
// transfer has ended; 0 when no answer came.
long AnswerStatus(CURL* easy)
{
    long status = 0;
    return curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK ? status : 0;
}

int PassWait(const WebFile* file)
{
#ifdef _WIN32
    // The request has not gone out while the name is resolved and the
    // connection made. (The connect time would not tell: it stays 0 on a
    // connection reused from an earlier file.)
    curl_off_t sent = 0;
    if (curl_easy_getinfo(static_cast<CURL*>(file->source.easy), CURLINFO_PRETRANSFER_TIME_T, &sent) == CURLE_OK &&
        sent == 0) {
        return ConnectingPassWaitMs;
    }
#else
    (void)file;
#endif
    return PassWaitMs;
}

// One pass: wait until one of the thread's transfers can move or libcurl's
// next timer is due, then let libcurl do what became possible. libcurl waits
// on its own sockets (whatever their number), and with none to wait on (a
// name being resolved) it waits for its timer.
void FillPass(WebFile* file)
{
    CURLM* multi = threadMulti;
    // Without a multi handle on this thread the transfer cannot be driven
    // from here; when libcurl cannot wait, every further pass would only
    // spin. Either way the transfer ends with what has arrived.
    if (!multi || curl_multi_poll(multi, nullptr, 0, PassWait(file), nullptr) != CURLM_OK) {
        file->running = 0;
        return;
    }
    Perform(multi, &file->running);
}

}  // namespace

size_t WebFileAppend(char* bytes, size_t size, size_t count, void* record)
{
    WebFile* file = static_cast<WebFile*>(record);
    const bool overflows = count != 0 && size > SIZE_MAX / count;
    size_t n = overflows ? SIZE_MAX : size * count;
    size_t room = file->capacity - file->start - static_cast<unsigned>(file->length);
    if (n > room && file->start != 0) {
        // The unread bytes move to the front of the block once per chunk
        // that does not fit behind them, never once per line read.
        memmove(file->data, file->data + file->start, file->length);
        file->start = 0;
        room = file->capacity - static_cast<unsigned>(file->length);
    }
    if (n > room) {
        const size_t shortfall = n - room;
        char* grown = nullptr;
        if (shortfall <= BufferLimit - file->capacity) {
            grown = static_cast<char*>(realloc(file->data, file->capacity + shortfall));
        }
        if (grown) {
            file->data = grown;
            file->capacity += static_cast<unsigned>(shortfall);
        } else {
            fputs("callback buffer grow failed\n", stderr);
            n = room;
        }
    }
    if (n == 0) return 0;
    memcpy(file->data + file->start + file->length, bytes, n);
    file->length += static_cast<int>(n);
    return n;
}

void WebFileFill(WebFile* file, size_t want)
{
    if (file->running == 0 || static_cast<size_t>(file->length) > want) return;
    do {
        FillPass(file);
    } while (file->running != 0 && static_cast<size_t>(file->length) < want);
}

bool WebFileStartUrl(WebFile* file, const char* name, long* status)
{
    // The thread's share of libcurl comes first: no handle is made outside it.
    CURLM* multi = ThreadMulti();
    if (!multi) return false;
    CURL* easy = curl_easy_init();
    if (!easy) return false;
    file->source.easy = easy;
    curl_easy_setopt(easy, CURLOPT_URL, name);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, file);
    // The portal is reached over http or https; no other scheme libcurl
    // knows is a portal address.
    if (curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") != CURLE_OK) {
        curl_easy_cleanup(easy);
        file->source.easy = nullptr;
        return false;
    }
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, file);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 0L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WebFileAppend);
    if (file->timeoutMs > 0) curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, file->timeoutMs);
    // A transfer the multi handle did not take never runs: the open fails
    // like one that ended without a byte, rather than drive whatever else
    // runs on this thread while waiting for a byte that cannot come.
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        curl_easy_cleanup(easy);
        file->source.easy = nullptr;
        return false;
    }
    Perform(multi, &file->running);
    // A connection is still being made when the first perform returns. An
    // unreachable server or an empty body must fail the open rather than
    // pass for an empty file, so wait for the first byte or the end.
    while (file->running != 0 && file->length == 0) FillPass(file);
    const long answered = AnswerStatus(easy);
    if (status) *status = answered;
    // Only a 200 answer carries the portal's data.
    if ((file->length == 0 && file->running == 0) || answered != 200) {
        WebFileStopUrl(file);
        return false;
    }
    return true;
}

void WebFileStopUrl(WebFile* file)
{
    CURL* easy = file->source.easy;
    if (!easy) return;
    // A refusal changes nothing here: the easy handle goes either way, and
    // curl_easy_cleanup detaches it from any multi handle still holding it.
    const CURLMcode removed = curl_multi_remove_handle(threadMulti, easy);
    (void)removed;
    curl_easy_cleanup(easy);
    file->source.easy = nullptr;
}

void WebFileThreadDone(void)
{
    if (!threadMulti) return;
    curl_multi_cleanup(threadMulti);
    threadMulti = nullptr;
    Users().Leave();
}
