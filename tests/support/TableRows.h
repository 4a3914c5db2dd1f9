#pragma once

#include <string>

namespace tarn::testing {

// Names the instances of a parameterized test by their rows' `name`.
inline constexpr auto RowName = [](const auto& row) {
    return std::string(row.param.name);
};
// Names them by the rows themselves, when they are names.
inline constexpr auto RowText = [](const auto& row) {
    return std::string(row.param);
};

} // namespace tarn::testing
