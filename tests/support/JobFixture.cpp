#include "support/JobFixture.h"

#include "platform/FileOps.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace tarn::testing {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::int64_t Length(const std::string& path) {
    return platform::FileLength(path).value_or(-1);
}

Names Seen(const TestPlatform& platform) {
    Names seen;
    std::size_t next = 0;
    for (const std::string& interaction : platform.Interactions()) {
        if (interaction == "beep") {
            seen.push_back(interaction);
            continue;
        }
        const platform::MessageBoxRequest& message = platform.Messages().at(next++);
        seen.push_back(message.Title +
                       (message.Icon == platform::MessageIcon::Exclamation ? " (!)" : "") + ": " +
                       message.Text);
    }
    return seen;
}

std::optional<Names> InChild(const std::function<Names()>& body) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return std::nullopt;
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(pipeEnds[0]);
        std::string report;
        try {
            for (const std::string& line : body()) {
                report += line + '\x1e';
            }
        } catch (...) {
            std::_Exit(2);
        }
        for (std::size_t written = 0; written < report.size();) {
            const ssize_t count =
                ::write(pipeEnds[1], report.data() + written, report.size() - written);
            if (count <= 0) {
                std::_Exit(3);
            }
            written += static_cast<std::size_t>(count);
        }
        std::_Exit(0);
    }
    ::close(pipeEnds[1]);
    std::string report;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (count > 0) {
            report.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    Names lines;
    for (std::size_t start = 0, end; (end = report.find('\x1e', start)) != std::string::npos;
         start = end + 1) {
        lines.push_back(report.substr(start, end - start));
    }
    return lines;
}

void JobFixture::AtEveryPause(std::function<void()> probe) {
    platform.AtDoEvents(1, [this, probe] {
        probe();
        AtEveryPause(probe);
    });
}

void JobFixture::ExpectIdle() const {
    EXPECT_EQ(form.FileCount, 0);
    EXPECT_EQ(form.lstOpenFileName.ListCount() + form.lstOpenFileSize.ListCount(), 0);
    for (const forms::Control* off : std::initializer_list<const forms::Control*>{
             &form.cmdGo, &form.cmdAbort, &form.cmdDeleteFile, &form.cmdClearList}) {
        EXPECT_FALSE(off->Enabled()) << off->Name();
    }
    for (const forms::Control* on : std::initializer_list<const forms::Control*>{
             &form.cmdOpen, &form.cmdExit, &form.cmbQuality, &form.cmbBitrate, &form.cmbMode,
             &form.chkCRC, &form.chkDelete, &form.chkPrivateBit, &form.chkCopyrightBit,
             &form.chkOriginalBit, &form.chkFullPath}) {
        EXPECT_TRUE(on->Enabled()) << on->Name();
    }
    for (const forms::Label* label : {&form.lblTimpEstimat, &form.lblTimpTrecut,
                                      &form.lblTimpEstimatPartial, &form.lblTimpTrecutPartial}) {
        EXPECT_EQ(label->Caption(), "00:00:00") << label->Name();
    }
    EXPECT_EQ(form.lblProgres.Caption() + form.lblTotal.Caption(), "0%0%");
    EXPECT_EQ(form.lblProgres.Width() + form.lblTotal.Width(), 0);
    EXPECT_FALSE(form.Timer1.Enabled() || form.tmrProgress.Enabled() || form.tmrTotal.Enabled());
    // The clock state starts the next job afresh.
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(form.ElapsedTexts[k], "") << k;
        EXPECT_EQ(form.ElapsedSeconds[k], 0) << k;
        EXPECT_EQ(form.ElapsedMinutes[k], 0) << k;
        EXPECT_FALSE(form.SecondsSeen[k]) << k;
    }
}

} // namespace tarn::testing
