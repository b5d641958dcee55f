// Owns one handle and gives it back exactly once, through its release
// function, when the owner ends. Move-only. It sits in the lowest room so
// that every room can use it: key handles here, DCs, GDI objects, icons and
// COM pointers in the window, keys in the tests.
//
// The release function gets whatever the owner holds at the end, null or 0
// included: closing a key of 0 after a failed open is part of mdlreg's
// algorithm, and every Windows release function used with it refuses null
// harmlessly (those that cannot, like a COM Release, check for it).
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
        : handle_(std::exchange(other.handle_, Handle())),
          release_(std::move(other.release_)),
          owning_(std::exchange(other.owning_, false)) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) {
            Free();
            handle_ = std::exchange(other.handle_, Handle());
            release_ = std::move(other.release_);
            owning_ = std::exchange(other.owning_, false);
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
        owning_ = true;
    }

private:
    void Free() {
        if (owning_) release_(handle_);
        owning_ = false;
    }

    Handle handle_{};
    Release release_{};
    bool owning_ = true;
};

}  // namespace brevlin
