#include "core/util/UniqueFd.h"

#include <unistd.h>
#include <utility>

namespace norix {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other)
        reset(other.release());
    return *this;
}

int UniqueFd::release() {
    return std::exchange(fd_, -1);
}

void UniqueFd::reset(int fd) {
    close();
    fd_ = fd < 0 ? -1 : fd;
}

int UniqueFd::close() {
    const int fd = release();
    return fd >= 0 ? ::close(fd) : 0;
}

} // namespace norix
