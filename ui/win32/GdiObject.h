#pragma once

#include <windows.h>

// Owns one GDI object (font, bitmap, brush) and deletes it with the owner.
template <typename Handle>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(Handle handle) : m_handle(handle) {}
    ~CGdiObject() { Reset(nullptr); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_handle(other.m_handle) { other.m_handle = nullptr; }
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other) {
            Reset(other.m_handle);
            other.m_handle = nullptr;
        }
        return *this;
    }

    Handle Get() const { return m_handle; }
    void Reset(Handle handle) {
        if (m_handle != nullptr) {
            DeleteObject(m_handle);
        }
        m_handle = handle;
    }

private:
    Handle m_handle = nullptr;
};
