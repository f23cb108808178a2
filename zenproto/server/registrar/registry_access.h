// The registry as the script engine sees it: a handful of calls with the
// platform's error codes, so the engine runs unchanged over the real registry
// (win32_registry) and over an in-memory one in host tests and the fuzzer.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace registrar {

using Text = std::u16string;
using HResult = int32_t;   // the bits of a COM HRESULT
using Status = uint32_t;   // a platform error code; 0 is success

inline constexpr Status kSuccess = 0;
inline constexpr Status kFileNotFound = 2;
inline constexpr Status kAccessDenied = 5;
inline constexpr Status kOutOfMemory = 14;
inline constexpr Status kNoMoreItems = 259;
inline constexpr Status kKeyDeleted = 1018;

inline constexpr HResult kOk = 0;
inline constexpr HResult kFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kOutOfMemoryResult = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult kScriptError = static_cast<HResult>(0x80020009u);   // DISP_E_EXCEPTION

inline HResult HResultFromStatus(Status status)
{
    if (status == kSuccess) return kOk;
    return static_cast<HResult>((status & 0xFFFFu) | 0x80070000u);
}

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users, PerformanceData, DynData, CurrentConfig };

// An open key; 0 means none. Root keys are predefined and never closed.
using KeyHandle = uintptr_t;

class RegistryAccess {
public:
    virtual ~RegistryAccess() = default;

    virtual KeyHandle Root(RootKey root) = 0;
    virtual Status OpenKey(KeyHandle parent, const Text& name, KeyHandle& key) = 0;
    // Opens the key when it exists, else creates it (non-volatile).
    virtual Status CreateKey(KeyHandle parent, const Text& name, KeyHandle& key) = 0;
    virtual void CloseKey(KeyHandle key) = 0;

    // An empty name is the key's default value.
    virtual Status SetString(KeyHandle key, const Text& name, const Text& data) = 0;
    virtual Status SetDword(KeyHandle key, const Text& name, uint32_t data) = 0;
    virtual Status SetBinary(KeyHandle key, const Text& name, const std::vector<uint8_t>& data) = 0;
    virtual Status DeleteValue(KeyHandle key, const Text& name) = 0;

    // Deletes subkey `name` of `parent`, values and all; it must have no subkeys.
    virtual Status DeleteKey(KeyHandle parent, const Text& name) = 0;
    // kNoMoreItems past the last subkey.
    virtual Status SubkeyName(KeyHandle key, uint32_t index, Text& name) = 0;
    virtual Status CountSubkeys(KeyHandle key, uint32_t& count) = 0;
};

// Owns one open key of a RegistryAccess and closes it once; move-only, with
// the verbs of every other handle owner (get, put, reset, release). The key
// is closed by the registry it came from, real or in memory, so the closer is
// a member chosen at run time rather than a function fixed at compile time.
class OwnedKey {
public:
    explicit OwnedKey(RegistryAccess& registry) : registry_(&registry) {}
    OwnedKey(const OwnedKey&) = delete;
    OwnedKey& operator=(const OwnedKey&) = delete;
    OwnedKey(OwnedKey&& other) noexcept : registry_(other.registry_), key_(other.release()) {}
    OwnedKey& operator=(OwnedKey&& other) noexcept
    {
        if (this == &other) return *this;
        reset();
        registry_ = other.registry_;
        key_ = other.release();
        return *this;
    }
    ~OwnedKey() { reset(); }

    KeyHandle get() const { return key_; }
    // For calls that hand out a key: closes the current one first.
    KeyHandle* put()
    {
        reset();
        return &key_;
    }
    void reset(KeyHandle key = 0)
    {
        if (key_) registry_->CloseKey(key_);
        key_ = key;
    }
    KeyHandle release() { return std::exchange(key_, KeyHandle{0}); }
    explicit operator bool() const { return key_ != 0; }

private:
    RegistryAccess* registry_;
    KeyHandle key_ = 0;
};

}  // namespace registrar
