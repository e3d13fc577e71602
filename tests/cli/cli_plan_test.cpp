// program's plan and verification without a receiver: each comparison (ID
// set, medium, key, --exact) decides a change, and the exit code of a
// result depends on whether anything was sent before it.
#include "cli/cli_program_plan.h"
#include "cli/cli_session.h"
#include "operations/request_engine.h"

#include <gtest/gtest.h>

namespace {

const QString kKey = QStringLiteral("00112233445566778899AABBCCDDEEFF");
const QString kOtherKey = QStringLiteral("FFEEDDCCBBAA99887766554433221100");

MeterTable::Row Held(const char* id, const char* medium)
{
    MeterTable::Row r;
    r[MeterTable::ColSerial] = QString::fromLatin1(id);
    r[MeterTable::ColMedium] = QString::fromLatin1(medium);
    return r;
}

struct PlanCase {
    const char* name;
    ProgramRow row;          // the file's only row
    const char* heldMedium;  // the list's medium for 11111111, nullptr: not held
    QString keyRead;         // key read back for 11111111, empty: not read
    bool exact;
    const char* steps;       // per step: a(dd) d(elete) k(ey) m(edium), '.' as asked, steps joined by ' '
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

TEST_P(Plan, StepsAndChanges) {
    const PlanCase& c = GetParam();
    std::vector<MeterTable::Row> held{Held("FFFFFFFF", "Unknown")};
    if (c.heldMedium)
        held.push_back(Held("11111111", c.heldMedium));
    QHash<QString, QString> keys;
    if (!c.keyRead.isEmpty())
        keys.insert(QStringLiteral("11111111"), c.keyRead);
    const ProgramPlan plan = PlanProgram({c.row}, held, keys, c.exact);
    QStringList steps;
    int changes = 0;
    for (const MeterStep& s : plan.steps) {
        QString t = QString(s.add ? "a" : "") + (s.remove ? "d" : "") + (s.setKey ? "k" : "") + (s.setMedium ? "m" : "");
        steps << (t.isEmpty() ? QStringLiteral(".") : t);
        changes += int(t.size());
    }
    EXPECT_EQ(steps.join(' ').toStdString(), c.steps);
    EXPECT_EQ(plan.changes(), changes);
}

INSTANTIATE_TEST_SUITE_P(Comparisons, Plan, ::testing::ValuesIn(kPlans),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    RequestResult::Kind kind;
    int sentBefore;
    int exit;
};

const FailureCase kFailures[] = {
    {"RefusedBeforeAnythingWasSentIsUsage", RequestResult::NotSent, 0, 2},
    {"RefusedAfterExchangesIsAFailure", RequestResult::NotSent, 3, 1},
    {"ErrorReplyIsAFailure", RequestResult::Error, 1, 1},
    {"SilenceIsNoReply", RequestResult::NoReply, 1, 4},
    {"CtrlCIsInterrupted", RequestResult::Interrupted, 1, 130},
    {"AnAnswerIsNoFailure", RequestResult::Status, 1, 0},
};

class Failure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(Failure, ExitCode) {
    RequestResult r;
    r.kind = GetParam().kind;
    CliOptions o;
    EXPECT_EQ(FailureOf(r, o, GetParam().sentBefore).exitCode, GetParam().exit);
}

INSTANTIATE_TEST_SUITE_P(Results, Failure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
