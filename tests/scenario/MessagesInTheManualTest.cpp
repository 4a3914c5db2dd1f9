// Every message the scenarios make the program show is explained in the manual's list of
// messages: checked once all tests have run.
#include "support/TestPlatform.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <set>
#include <string>

namespace tarn {
namespace {

// The manual's text as a reader sees it: no tags, entities decoded, blanks collapsed.
std::string ManualText(const std::string& path) {
    std::ifstream in(path);
    std::string html{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    html = std::regex_replace(html, std::regex("<[^>]*>"), "");
    html = std::regex_replace(html, std::regex("&hellip;"), "\xE2\x80\xA6");
    html = std::regex_replace(html, std::regex("&amp;"), "&");
    return std::regex_replace(html, std::regex("\\s+"), " ");
}

// What the manual must hold of a message: its first line up to a colon, with the names of the
// files it was about left out.
std::string Heading(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    line = line.substr(0, line.find(':'));
    line = std::regex_replace(line, std::regex(R"(\S+\.(wav|mp3)\b)", std::regex::icase),
                              "\xE2\x80\xA6");
    return std::regex_replace(line, std::regex(R"(^\s+|\s+$)"), "");
}

class EveryMessageIsInTheManual : public ::testing::Environment {
    void TearDown() override {
        const std::string manual = ManualText(std::string(TARN_SOURCE_DIR) + "/help/messages.html");
        ASSERT_FALSE(manual.empty()) << "the manual's list of messages cannot be read";
        std::set<std::string> missing;
        for (const platform::MessageBoxRequest& message :
             testing::TestPlatform::AllMessagesShown()) {
            const std::string heading = Heading(message.Text);
            if (manual.find(heading) == std::string::npos) {
                missing.insert(heading);
            }
        }
        for (const std::string& heading : missing) {
            ADD_FAILURE() << "the manual does not explain the message \"" << heading << "\"";
        }
    }
};

const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new EveryMessageIsInTheManual);

} // namespace
} // namespace tarn
