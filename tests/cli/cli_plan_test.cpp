// Exit codes of refused commands without a receiver.
#include "cli/cli_session.h"
#include "operations/request_engine.h"

#include <gtest/gtest.h>

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

}  // namespace
