// Scripts the portal test server from a test (host or Windows build). The
// server runs beside the test (scripts/run-test.sh) and its address arrives
// in ZEN_PORTAL_URL.
#pragma once

#include <string>

namespace portal {

// "http://127.0.0.1:PORT/", or empty when the test runs without a portal.
std::string BaseUrl();

// Base URL + path (path without its leading '/').
std::string UrlOf(const std::string& path);

// Adds or replaces routes, given as the server's JSON route object, e.g.
// {"/a": {"status": 404, "body": "gone"}}. True when the server took them.
bool SetRoutes(const std::string& routesJson);

// Route answering `path` with `status` and exactly the bytes of `body`;
// `extraJson` adds members such as "drip" or "stall" ("" for none).
bool Serve(const std::string& path, int status, const std::string& body,
           const std::string& extraJson = "");

// Forgets every route and the request log.
bool Reset();

// JSON list of the paths requested since the last Reset.
std::string RequestLog();

// JSON list of the Cookie headers those requests carried.
std::string CookiesSent();

}  // namespace portal
