// Holds one reference to a COM interface and releases it when the scope
// ends, so that an assertion leaving a test early leaks nothing and the
// checks after the test body see only what the test itself left alive.
#pragma once

#include <unknwn.h>

#include <utility>

namespace testsupport {

template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        reset();
        pointer_ = std::exchange(other.pointer_, nullptr);
        return *this;
    }
    ~ComPtr() { reset(); }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For calls that hand out a reference: releases the current one first.
    Interface** put()
    {
        reset();
        return &pointer_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    // Releases the reference; the count the object reports afterwards (0
    // when nothing was held).
    ULONG reset()
    {
        Interface* pointer = std::exchange(pointer_, nullptr);
        return pointer ? pointer->Release() : 0;
    }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace testsupport
