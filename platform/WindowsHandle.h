// A Windows handle that closes itself. Used only by the Windows files of the platform layer.
#pragma once

#include <windows.h>

class TWindowsHandle {
public:
    TWindowsHandle() = default;
    // Takes Value over; INVALID_HANDLE_VALUE, which some calls return for failure, counts as none.
    explicit TWindowsHandle(HANDLE Value)
        : Value(Value == INVALID_HANDLE_VALUE ? nullptr : Value) {}
    ~TWindowsHandle() { Close(); }
    TWindowsHandle(const TWindowsHandle&) = delete;
    TWindowsHandle& operator=(const TWindowsHandle&) = delete;
    TWindowsHandle(TWindowsHandle&& Other) noexcept : Value(Other.Value) { Other.Value = nullptr; }
    TWindowsHandle& operator=(TWindowsHandle&& Other) noexcept {
        if (this != &Other) {
            Close();
            Value = Other.Value;
            Other.Value = nullptr;
        }
        return *this;
    }

    HANDLE Get() const { return Value; }
    explicit operator bool() const { return Value != nullptr; }
    void Close() {
        if (Value != nullptr) {
            CloseHandle(Value);
            Value = nullptr;
        }
    }

private:
    HANDLE Value = nullptr;
};
