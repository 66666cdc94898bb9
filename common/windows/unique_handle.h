// The one owner of a Windows (or C runtime) resource that the launcher and qvconfig use: it
// holds one handle and closes it when it goes, unless it holds the value that means "none".
// Moves hand the handle on; copies do not exist.
//
//   using RegistryKeyOwner = UniqueHandle<HKEY, decltype(&RegCloseKey), &RegCloseKey>;
#ifndef QV_COMMON_WINDOWS_UNIQUE_HANDLE_H
#define QV_COMMON_WINDOWS_UNIQUE_HANDLE_H

#include <utility>

namespace qv::windows {

template <typename Handle, typename CloseFn, CloseFn Close, auto None = Handle{}>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Handle get() const { return handle_; }
    bool valid() const { return handle_ != static_cast<Handle>(None); }
    explicit operator bool() const { return valid(); }

    // Where a call that hands out a handle through a pointer stores it; the owner must be empty.
    Handle* receiver() { return &handle_; }

    // Closes the handle held, if any, and holds `handle` instead.
    void reset(Handle handle = static_cast<Handle>(None)) {
        if (valid()) {
            (void)Close(handle_);
        }
        handle_ = handle;
    }
    // Gives the handle up without closing it.
    Handle release() { return std::exchange(handle_, static_cast<Handle>(None)); }

  private:
    Handle handle_ = static_cast<Handle>(None);
};

}  // namespace qv::windows

#endif  // QV_COMMON_WINDOWS_UNIQUE_HANDLE_H
