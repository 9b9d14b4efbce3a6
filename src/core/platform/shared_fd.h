#pragma once
#include <memory>
#include <unistd.h>

namespace vt {

// A descriptor shared by everyone who uses it and closed when the last one lets go:
// a folder stays open as long as copies made on other threads still need it.
class SharedFd {
public:
    SharedFd() = default;
    // Takes over `fd` (nothing for a negative one).
    explicit SharedFd(int fd) {
        if (fd >= 0)
            holder_ = std::make_shared<const Holder>(fd);
    }

    int get() const { return holder_ ? holder_->fd : -1; }
    explicit operator bool() const { return holder_ != nullptr; }
    void reset() { holder_.reset(); }

private:
    struct Holder {
        explicit Holder(int f) : fd(f) {}
        ~Holder() { ::close(fd); }
        Holder(const Holder&) = delete;
        Holder& operator=(const Holder&) = delete;
        int fd;
    };
    std::shared_ptr<const Holder> holder_;
};

} // namespace vt
