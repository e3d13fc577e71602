// program's plan and verification without a receiver: each comparison (ID set,
// medium, key, --exact) decides a change; exit codes of refused commands; the
// progress bar.
#include "cli/cli_output.h"
#include "cli/cli_program_plan.h"
#include "cli/cli_session.h"
#include "operations/request_engine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

const QString kKey = QStringLiteral("00112233445566778899AABBCCDDEEFF"), kOtherKey = QString(kKey).replace('0', 'F');

struct PlanCase {
    const char* name;
    ProgramRow row;          // the file's only row
    const char* heldMedium;  // the list's medium for 11111111, nullptr: not held
    QString keyRead;         // key read back for 11111111, empty: not read
    bool exact;
    const char* steps;  // per step: a(dd) d(elete) k(ey) m(edium), '.' as asked, steps joined by ' '
};

const PlanCase kPlans[] = {
    {"MeterNotHeldIsAdded", {1, "22222222", "", ""}, "Water", {}, false, "a"},
    {"HeldMeterIsAsAsked", {1, "11111111", "", ""}, "Water", {}, false, "."},
    {"DifferentKeyIsSet", {1, "11111111", "", kKey}, "Water", kOtherKey, false, "k"},
    {"SameKeyIsAsAsked", {1, "11111111", "", kKey}, "Water", kKey, false, "."},
    {"KeyNotReadIsSet", {1, "11111111", "", kKey}, "Water", {}, false, "k"},
    {"DifferentMediumIsSet", {1, "11111111", "Gas", ""}, "Water", {}, false, "m"},
    {"MediumComparedByCodeNotName", {1, "11111111", "Heat meter", ""}, "Heat (rt)", {}, false, "."},
    {"AddedMeterGetsKeyAndMedium", {1, "22222222", "Gas", kKey}, "Water", {}, false, "akm"},
    {"ExactDeletesTheUnlistedMeter", {1, "22222222", "", ""}, "Water", {}, true, "d a"},
    {"ExactKeepsTheListedMeter", {1, "11111111", "", ""}, "Water", {}, true, "."},
    {"ExactNeverDeletesAnEmptySlot", {1, "22222222", "", ""}, nullptr, {}, true, "a"},
};

class Plan : public ::testing::TestWithParam<PlanCase> {};

TEST_P(Plan, StepsAndChanges)
{
    const PlanCase& c = GetParam();
    std::vector<MeterTable::Row> held{{"1", "FFFFFFFF", "Unknown"}};
    if (c.heldMedium)
        held.push_back({"2", "11111111", c.heldMedium});
    QHash<QString, QString> keys;
    if (!c.keyRead.isEmpty())
        keys.insert(QStringLiteral("11111111"), c.keyRead);
    const ProgramPlan plan = PlanProgram({c.row}, held, keys, c.exact);
    QStringList steps;
    int changes = 0;
    for (const MeterStep& s : plan.steps) {
        QString t = QString(s.add ? "a" : "") + (s.remove ? "d" : "") + (s.setKey ? "k" : "")
            + (s.setMedium ? "m" : "");
        steps << (t.isEmpty() ? QStringLiteral(".") : t);
        changes += int(t.size());
    }
    EXPECT_EQ(steps.join(' ').toStdString(), c.steps);
    EXPECT_EQ(plan.changes(), changes);
}

INSTANTIATE_TEST_SUITE_P(Comparisons, Plan, ::testing::ValuesIn(kPlans),
                         [](const auto& info) { return std::string(info.param.name); });

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
