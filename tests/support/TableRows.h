#pragma once

#include <string>

namespace tarn::testing {

// Names the instances of a parameterized test by their rows' `name`.
inline constexpr auto RowName = [](const auto& row) {
    return std::string(row.param.name);
};

} // namespace tarn::testing
