// The provisioning plan without a receiver: each comparison (ID set, medium,
// key, exact) decides a change; the guard on deleting; the wanted meters of
// a meter table.
#include "operations/provision_plan.h"

#include <gtest/gtest.h>

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

struct GuardCase {
    int wanted, deletes;
    bool force;
    DeleteVerdict verdict;
};

TEST(DeleteGuard, NothingWantedOrMoreDeletesThanWantedIsRefusedUnlessForced)
{
    const GuardCase cases[] = {{0, 0, false, DeleteVerdict::NothingWanted},
                               {0, 3, true, DeleteVerdict::NothingWanted},
                               {3, 4, false, DeleteVerdict::MoreThanWanted},
                               {3, 4, true, DeleteVerdict::Allowed},
                               {3, 3, false, DeleteVerdict::Allowed}};
    for (const GuardCase& c : cases)
        EXPECT_EQ(CheckDeletes(c.wanted, c.deletes, c.force), c.verdict)
            << c.wanted << " wanted, " << c.deletes << " deletes, force " << c.force;
}

TEST(WantedMeters, RowsWithoutAnIdOrAnEmptySlotOrARepeatAreLeftOut)
{
    MeterTable table;
    table.setRowCount(7);
    const char* rows[][4] = {{"11111111", "Water", "00112233445566778899aabbccddeeff"},
                             {"", "Gas", ""},
                             {"1234567", "Gas", ""},
                             {"FFFFFFFF", "Gas", ""},
                             {"11111111", "Gas", ""},
                             {"22222222", "no such medium", "0011"}};
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 3; ++c)
            table.setCell(c + 1, r + 1, QString::fromUtf8(rows[r][c]));
    for (bool keys : {false, true}) {
        const std::vector<ProgramRow> wanted = WantedMeters(table, keys);
        ASSERT_EQ(wanted.size(), 2u);
        EXPECT_EQ(wanted[0].id, "11111111");
        EXPECT_EQ(wanted[0].medium, "Water");
        EXPECT_EQ(wanted[0].key, keys ? QString(kKey) : QString());
        EXPECT_EQ(wanted[1].id, "22222222");
        EXPECT_EQ(wanted[1].medium, "") << "a medium without a code is not compared";
        EXPECT_EQ(wanted[1].key, "") << "a key that is not 32 hex digits is not compared";
    }
}

}  // namespace
