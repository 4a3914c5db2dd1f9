#include "shell/CommandLine.h"

#include "support/TableRows.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using testing::PrintTo;
using testing::RowName;
using Strings = std::vector<std::string>;

struct ArgumentsCase {
    const char* name;
    const char* currentFolder;
    Strings arguments;
    Strings files;
    const char* unknownOption;
};

class CommandLineTest : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(CommandLineTest, TakesFilesAsTheyArePathsAndRefusesOptions) {
    const ArgumentsCase& c = GetParam();
    const CommandLine line = ParseCommandLine(c.arguments, c.currentFolder);
    EXPECT_EQ(line.files, c.files);
    EXPECT_EQ(line.unknownOption.value_or("(none)"), c.unknownOption);
}

INSTANTIATE_TEST_SUITE_P(
    Starts, CommandLineTest,
    ::testing::Values(
        ArgumentsCase{"relative_and_absolute",
                      "/music",
                      {"a.wav", "b c.wav", "/x/d.wav", "sub/e-f.wav"},
                      {"/music/a.wav", "/music/b c.wav", "/x/d.wav", "/music/sub/e-f.wav"},
                      "(none)"},
        ArgumentsCase{"links_and_dot_dot_kept",
                      "/music/",
                      {"./a.wav", ".//./b.wav", "../up/c.wav", "/x/../d.wav"},
                      {"/music/a.wav", "/music/b.wav", "/music/../up/c.wav", "/x/../d.wav"},
                      "(none)"},
        ArgumentsCase{"at_the_root", "/", {"a.wav"}, {"/a.wav"}, "(none)"},
        ArgumentsCase{"no_current_folder", "", {"a.wav"}, {"a.wav"}, "(none)"},
        ArgumentsCase{"option", "/music", {"a.wav", "-x", "b.wav"}, {}, "-x"},
        ArgumentsCase{"lone_dash", "/music", {"-"}, {}, "-"},
        ArgumentsCase{"long_option", "/music", {"--help"}, {}, "--help"},
        ArgumentsCase{"double_dash_ends_options",
                      "/music",
                      {"a.wav", "--", "-x.wav", "--", "--help"},
                      {"/music/a.wav", "/music/-x.wav", "/music/--", "/music/--help"},
                      "(none)"}),
    RowName);

} // namespace
} // namespace tarn
