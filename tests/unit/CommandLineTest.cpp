#include "shell/CommandLine.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using Strings = std::vector<std::string>;

// Files are taken as they are written, relative to the current folder; an option refuses all.
TEST(CommandLineTest, TakesFilesAsTheyArePathsAndRefusesOptions) {
    using Row = std::tuple<const char*, Strings, Strings, const char*>;
    for (const auto& [folder, arguments, files, unknownOption] :
         {Row{"/music", {"a b.wav", "/x/d.wav"}, {"/music/a b.wav", "/x/d.wav"}, ""},
          Row{"/music/",
              {"./a.wav", ".//./b.wav", "../up/c.wav", "/x/../d.wav"},
              {"/music/a.wav", "/music/b.wav", "/music/../up/c.wav", "/x/../d.wav"},
              ""},
          Row{"", {"a.wav"}, {"a.wav"}, ""}, Row{"/music", {"a.wav", "-x", "b.wav"}, {}, "-x"},
          Row{"/music", {"-"}, {}, "-"},
          Row{"/music",
              {"a.wav", "--", "-x.wav", "--", "--help"},
              {"/music/a.wav", "/music/-x.wav", "/music/--", "/music/--help"},
              ""}}) {
        const CommandLine line = ParseCommandLine(arguments, folder);
        EXPECT_EQ(line.files, files) << arguments.front();
        EXPECT_EQ(line.unknownOption.value_or(""), unknownOption) << arguments.front();
    }
}

} // namespace
} // namespace tarn
