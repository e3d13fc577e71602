// Exit codes of refused commands without a receiver; the progress bar.
#include "cli/cli_output.h"
#include "cli/cli_session.h"
#include "operations/request_engine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

TEST(Failure, ARefusedCommandIsAUsageErrorOnlyBeforeAnythingWasSent)
{
    const struct {
        RequestResult::Kind kind;
        int sentBefore;
        int exit;
    } cases[] = {{RequestResult::NotSent, 0, 2}, {RequestResult::NotSent, 3, 1}, {RequestResult::Interrupted, 1, 130}};
    for (const auto& c : cases) {
        RequestResult r;
        r.kind = c.kind;
        EXPECT_EQ(FailureOf(r, CliOptions{}, c.sentBefore).exitCode, c.exit) << c.kind << " after " << c.sentBefore;
    }
}

// Fault: with --json a progress bar drawn on a terminal's standard error,
// which a script reads along with the document.
TEST(Output, JsonDrawsNoProgressBarEvenOnATerminal)
{
    for (const bool json : {false, true}) {
        int master = -1, terminal = -1;
        ASSERT_EQ(::openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
        const int savedStderr = ::dup(2);
        ::dup2(terminal, 2);
        CliOutput(json, false, QStringLiteral("program")).progress(1, 2, QStringLiteral("11111111"));
        ::dup2(savedStderr, 2);
        char buffer[256] = {};
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        EXPECT_EQ(::read(master, buffer, sizeof buffer - 1) > 0, !json) << buffer;
        for (const int fd : {savedStderr, terminal, master})
            ::close(fd);
    }
}

}  // namespace
