#include "common/Status.h"

#include <cstring>

namespace tarn {

Status Status::Failure(std::string reason) {
    return reason.empty() ? Failure(EIO) : Status(0, std::move(reason));
}

std::string Status::Reason() const {
    if (!reason_.empty() || Ok()) {
        return reason_;
    }
    return std::strerror(error_);
}

Status Status::Explained(std::string reason) const {
    if (Ok()) {
        return *this;
    }
    return reason.empty() ? *this : Status(error_, std::move(reason));
}

} // namespace tarn
