#pragma once

#include <ostream>
#include <string>

namespace tarn::testing {

// Rows of a table-driven test go by their `name` in test names and in failure output.
template <typename Row>
requires requires(const Row& row) {
    std::string(row.name);
}
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

inline constexpr auto RowName = [](const auto& row) {
    return std::string(row.param.name);
};

} // namespace tarn::testing
