#pragma once
// Owns one file descriptor and closes it exactly once: when it goes, when it
// is given another, or when close() asks for the result. Moving hands the
// descriptor on; nothing in the program keeps an owned descriptor as a bare int.

namespace norix {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd < 0 ? -1 : fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    // -1 when none is held.
    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    // Gives up ownership without closing.
    int release();
    // Closes the one held (if any) and takes `fd`.
    void reset(int fd = -1);
    // Closes now; the result of close(2), 0 when nothing was held.
    int close();

private:
    int fd_ = -1;
};

} // namespace norix
