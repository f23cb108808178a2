#include "portal_client.h"

#include "base64_encode.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>

namespace portal {

namespace {

size_t Collect(char* data, size_t size, size_t count, void* out)
{
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

// One control request; true on a 200 answer.
bool Control(const char* method, const std::string& path, const std::string& body, std::string* answer)
{
    const std::string url = UrlOf(path);
    if (url.empty()) return false;
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) return false;
    std::string received;
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_CUSTOMREQUEST, method);
    if (std::string(method) == "POST") {
        curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    }
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, 10L);
    long status = 0;
    if (curl_easy_perform(easy.get()) != CURLE_OK) return false;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (answer) *answer = received;
    return status == 200;
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string BaseUrl()
{
    const char* url = std::getenv("ZEN_PORTAL_URL");
    return url ? url : "";
}

std::string UrlOf(const std::string& path)
{
    const std::string base = BaseUrl();
    return base.empty() ? base : base + path;
}

bool SetRoutes(const std::string& routesJson)
{
    return Control("POST", "__zen/routes", routesJson, nullptr);
}

bool Serve(const std::string& path, int status, const std::string& body, const std::string& extraJson)
{
    std::string route = "{\"status\": " + std::to_string(status) + ", \"body_b64\": " +
                        JsonString(Base64Encode(body));
    if (!extraJson.empty()) route += ", " + extraJson;
    route += "}";
    return SetRoutes("{" + JsonString(path) + ": " + route + "}");
}

bool Reset()
{
    return Control("DELETE", "__zen/routes", "", nullptr);
}

std::string RequestLog()
{
    std::string answer;
    return Control("GET", "__zen/requests", "", &answer) ? answer : std::string();
}

std::string CookiesSent()
{
    std::string answer;
    return Control("GET", "__zen/cookies", "", &answer) ? answer : std::string();
}

}  // namespace portal
