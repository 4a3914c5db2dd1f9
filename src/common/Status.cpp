#include "common/Status.h"

#include <cstring>

namespace tarn {

std::string Status::Reason() const {
    return Ok() ? std::string() : std::strerror(error_);
}

} // namespace tarn
