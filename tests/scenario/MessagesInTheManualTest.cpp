// Every message the scenarios show is explained in the manual: checked after all tests.
#include "support/JobFixture.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace tarn {
namespace {

class EveryMessageIsInTheManual : public ::testing::Environment {
    void TearDown() override {
        // The manual's text as a reader sees it: no tags, entities decoded, blanks collapsed.
        std::string manual =
            testing::Contents(std::string(TARN_SOURCE_DIR) + "/help/messages.html");
        ASSERT_FALSE(manual.empty()) << "the manual's list of messages cannot be read";
        for (const auto& [pattern, replacement] : {std::pair{"<[^>]*>", ""},
                                                   {"&hellip;", "\xE2\x80\xA6"},
                                                   {"&amp;", "&"},
                                                   {"\\s+", " "}}) {
            manual = std::regex_replace(manual, std::regex(pattern), replacement);
        }
        std::set<std::string> missing;
        for (const platform::MessageBoxRequest& message : testing::TestPlatform::allMessagesShown) {
            // The first line up to a colon, the names of the files it is about left out.
            std::string heading = message.Text.substr(0, message.Text.find_first_of(":\n"));
            heading = std::regex_replace(
                heading, std::regex(R"(\S+\.(wav|mp3)\b)", std::regex::icase), "\xE2\x80\xA6");
            heading = std::regex_replace(heading, std::regex(R"(^\s+|\s+$)"), "");
            if (manual.find(heading) == std::string::npos) {
                missing.insert(heading);
            }
        }
        for (const std::string& heading : missing) {
            ADD_FAILURE() << "the manual does not explain the message \"" << heading << "\"";
        }
    }
};

// NOLINTNEXTLINE(cert-err58-cpp): gtest registers an environment at static initialisation
const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new EveryMessageIsInTheManual);

} // namespace
} // namespace tarn
