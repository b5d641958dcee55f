// Owns one handle and gives it back exactly once, through its release
// function, when the owner ends. Move-only. It sits in the lowest room so
// that every room can use it: key handles here, DCs, GDI objects, icons,
// hooks and the COM apartment in the window, files in the command line,
// keys in the tests.
//
// A null handle (0) holds nothing, so nothing is released for it. Where an
// algorithm closes what a failed open left, as mdlreg's does, it says so
// itself.
#pragma once

#include <utility>

namespace brevlin {

template <typename Handle, typename Release>
class Owner {
public:
    Owner() = default;
    explicit Owner(Handle handle, Release release = Release())
        : handle_(handle), release_(std::move(release)) {}
    ~Owner() { Free(); }

    Owner(Owner&& other) noexcept
        : handle_(std::exchange(other.handle_, Handle())), release_(std::move(other.release_)) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) {
            Free();
            handle_ = std::exchange(other.handle_, Handle());
            release_ = std::move(other.release_);
        }
        return *this;
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle(); }

    // Releases what it holds and takes the new handle.
    void Reset(Handle handle = Handle()) {
        Free();
        handle_ = handle;
    }

private:
    void Free() {
        if (handle_ != Handle()) release_(std::exchange(handle_, Handle()));
    }

    Handle handle_{};
    Release release_{};
};

}  // namespace brevlin
