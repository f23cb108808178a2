// The fixture of the protocol object tests: the portal test server on the
// built-in image address, serving a known image.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "portal_client.h"
#include "protocol_harness.h"
#include "uiauto.h"

namespace protocol_tests {

inline const char ImagePath[] = "/images/space.gif";
inline const std::string BoxText = "launcher not correctly installed, please reinstall";

inline std::string Bytes(size_t size, int seed = 1)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31 + seed * 17 + i / 256) & 0xFF);
    return s;
}

class ProtocolTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(portal::BaseUrl().empty()) << "no portal test server";
        ASSERT_TRUE(portal::Reset());
        Serve(image_);
    }
    // `extraJson`: further members of the server's route, e.g. "keep_alive".
    void Serve(const std::string& body, int status = 200, const std::string& extraJson = "")
    {
        image_ = body;
        ASSERT_TRUE(portal::Serve(ImagePath, status, body, extraJson));
    }
    bool ImageRequested() { return ImageRequests() > 0; }
    int ImageRequests()
    {
        const std::string log = portal::RequestLog();
        const std::string quoted = std::string("\"") + ImagePath + "\"";
        int count = 0;
        for (size_t at = log.find(quoted); at != std::string::npos; at = log.find(quoted, at + 1)) ++count;
        return count;
    }

    std::string image_ = Bytes(2500);
};

}  // namespace protocol_tests
