// The meter table model: primitives, row commands and marks.
#include <gtest/gtest.h>

#include "table/meter_table.h"

namespace {

// Fills data rows 1..n with "<n>", "ID<n>", "M<n>", "K<n>", "N<n>".
void Fill(MeterTable& t, int n)
{
    t.setRowCount(n + 1);
    for (int r = 1; r <= n; ++r) {
        const QString s = QString::number(r);
        t.setCell(0, r, s);
        t.setCell(1, r, "ID" + s);
        t.setCell(2, r, "M" + s);
        t.setCell(3, r, "K" + s);
        t.setCell(4, r, "N" + s);
    }
}

QStringList Numbers(const MeterTable& t)
{
    QStringList out;
    for (int r = 1; r < t.rowCount(); ++r)
        out << t.cell(0, r);
    return out;
}

const QStringList kHeader = {"No. ", "Serial/ID ", "Medium ", "AES-128 key ", "Notes "};

bool HeaderIntact(const MeterTable& t)
{
    for (int c = 0; c < 5; ++c)
        if (t.cell(c, 0) != kHeader[c])
            return false;
    return true;
}

bool RowEmpty(const MeterTable& t, int r)
{
    for (int c = 0; c < 5; ++c)
        if (!t.cell(c, r).isEmpty())
            return false;
    return true;
}

}  // namespace

TEST(MeterTablePrimitives, StartsWithHeaderAndOneEmptyRow)
{
    MeterTable t;
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_TRUE(HeaderIntact(t));
    EXPECT_TRUE(RowEmpty(t, 1));
    EXPECT_EQ(t.selectedRow(), 0);
    EXPECT_FALSE(t.rowMarked(1));
    EXPECT_FALSE(t.markAllPending());
}

TEST(MeterTablePrimitives, RowCountGrowsWithEmptyRowsAndNeverDropsBelowTwo)
{
    MeterTable t;
    Fill(t, 3);
    t.setRowCount(6);
    EXPECT_EQ(t.rowCount(), 6);
    EXPECT_EQ(t.cell(1, 3), "ID3");
    EXPECT_TRUE(RowEmpty(t, 5));
    t.setRowCount(3);
    EXPECT_EQ(Numbers(t), QStringList({"1", "2"}));
    t.setRowCount(0);
    EXPECT_EQ(t.rowCount(), 2);
    t.setRowCount(-5);
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_TRUE(HeaderIntact(t));
}

TEST(MeterTablePrimitives, OutOfRangeCellsReadEmptyAndIgnoreWrites)
{
    MeterTable t;
    t.setCell(5, 1, "x");
    t.setCell(-1, 1, "x");
    t.setCell(0, 2, "x");
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_TRUE(RowEmpty(t, 1));
    EXPECT_EQ(t.cell(0, 2), "");
    EXPECT_EQ(t.cell(5, 0), "");
    // Column first, then row.
    t.setCell(3, 1, "key");
    EXPECT_EQ(t.cell(3, 1), "key");
    EXPECT_EQ(t.cell(1, 3), "");
}

TEST(MeterTablePrimitives, HeaderTextsAreWrittenIntoRowZero)
{
    MeterTable t;
    int headerChanges = 0;
    QObject::connect(&t, &MeterTable::cellChanged, [&](int, int row) { headerChanges += row == 0; });
    t.setHeader({"A", "B", "C", "D", "E"});
    EXPECT_EQ(t.cell(0, 0), "A");
    EXPECT_EQ(t.cell(4, 0), "E");
    EXPECT_EQ(headerChanges, 5);
}

TEST(MeterTableClear, LeavesOneEmptyRowNoMarksAndTheHeader)
{
    MeterTable t;
    Fill(t, 16);
    t.setRowMarked(3, true);
    t.setRowMarked(16, true);
    t.ClearMeterTable();
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_TRUE(RowEmpty(t, 1));
    EXPECT_TRUE(HeaderIntact(t));
    for (int r = 1; r <= 16; ++r)
        EXPECT_FALSE(t.rowMarked(r)) << r;
    // Rows added later start empty, not with the old contents.
    t.setRowCount(4);
    EXPECT_TRUE(RowEmpty(t, 3));
}

TEST(MeterTableDelete, TheOnlyRowIsEmptiedAndStays)
{
    MeterTable t;
    Fill(t, 1);
    t.setSelectedRow(1);
    t.DeleteSelectedRow();
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_TRUE(RowEmpty(t, 1));
    EXPECT_TRUE(HeaderIntact(t));
}

TEST(MeterTableDelete, RowTwoOfThreeLeavesNumbersOneAndThree)
{
    MeterTable t;
    Fill(t, 3);
    t.setRowMarked(2, true);
    t.setSelectedRow(2);
    t.DeleteSelectedRow();
    EXPECT_EQ(Numbers(t), QStringList({"1", "3"}));
    EXPECT_EQ(t.cell(1, 2), "ID3");
    EXPECT_EQ(t.cell(4, 2), "N3");
    // The mark stays on its row number.
    EXPECT_TRUE(t.rowMarked(2));
    EXPECT_FALSE(t.rowMarked(1));
}

TEST(MeterTableDelete, LastRowSelected)
{
    MeterTable t;
    Fill(t, 3);
    t.setSelectedRow(3);
    t.DeleteSelectedRow();
    EXPECT_EQ(Numbers(t), QStringList({"1", "2"}));
}

TEST(MeterTableDelete, NothingHappensWithoutASelectedDataRow)
{
    MeterTable t;
    Fill(t, 3);
    t.DeleteSelectedRow();  // selectedRow is still 0, the header row
    EXPECT_EQ(Numbers(t), QStringList({"1", "2", "3"}));
    EXPECT_TRUE(HeaderIntact(t));

    MeterTable one;
    Fill(one, 1);
    one.DeleteSelectedRow();
    EXPECT_EQ(one.cell(1, 1), "ID1");

    // A stale selection beyond the last row deletes nothing either.
    t.setSelectedRow(7);
    t.DeleteSelectedRow();
    EXPECT_EQ(t.rowCount(), 4);
}

TEST(MeterTableInsert, BelowRowOneKeepsEveryRowIntact)
{
    MeterTable t;
    Fill(t, 3);
    t.setRowMarked(2, true);
    t.setSelectedRow(1);
    t.InsertRow();
    EXPECT_EQ(Numbers(t), QStringList({"1", "", "2", "3"}));
    EXPECT_TRUE(RowEmpty(t, 2));
    EXPECT_EQ(t.cell(3, 3), "K2");
    EXPECT_EQ(t.cell(4, 4), "N3");
    EXPECT_TRUE(t.rowMarked(2));  // marks are not moved
    EXPECT_FALSE(t.rowMarked(3));
}

TEST(MeterTableInsert, LastRowSelectedAppendsAnEmptyRow)
{
    MeterTable t;
    Fill(t, 3);
    t.setSelectedRow(3);
    t.InsertRow();
    EXPECT_EQ(Numbers(t), QStringList({"1", "2", "3", ""}));
    EXPECT_TRUE(RowEmpty(t, 4));
}

TEST(MeterTableInsert, WithoutSelectionInsertsAtRowOne)
{
    MeterTable t;
    Fill(t, 2);
    t.InsertRow();
    EXPECT_EQ(Numbers(t), QStringList({"", "1", "2"}));
    EXPECT_TRUE(HeaderIntact(t));
}

TEST(MeterTableMarks, EveryDataRowCanBeMarked)
{
    MeterTable t;
    Fill(t, 40);
    t.markAllDataRows();
    for (int r = 1; r <= 40; ++r)
        EXPECT_TRUE(t.rowMarked(r)) << r;
    EXPECT_FALSE(t.rowMarked(0));
    EXPECT_FALSE(t.rowMarked(41));

    t.markOnly(30);
    EXPECT_TRUE(t.rowMarked(30));
    EXPECT_FALSE(t.rowMarked(1));
    EXPECT_FALSE(t.rowMarked(17));

    t.toggleRowMark(5);
    t.toggleRowMark(30);
    EXPECT_TRUE(t.rowMarked(5));
    EXPECT_FALSE(t.rowMarked(30));

    // The header row and rows that do not exist carry no mark.
    t.markOnly(0);
    t.toggleRowMark(0);
    t.toggleRowMark(99);
    for (int r = 0; r <= 99; ++r)
        EXPECT_FALSE(t.rowMarked(r)) << r;
}

TEST(MeterTableSignals, BulkChangesNotifyOnce)
{
    MeterTable t;
    int resets = 0, marks = 0;
    QObject::connect(&t, &MeterTable::reset, [&] { ++resets; });
    QObject::connect(&t, &MeterTable::marksChanged, [&] { ++marks; });
    std::vector<MeterTable::Row> rows(1000);
    t.replaceDataRows(std::move(rows));
    EXPECT_EQ(t.rowCount(), 1001);
    EXPECT_EQ(resets, 1);
    t.markAllDataRows();
    EXPECT_EQ(marks, 1);
    t.replaceDataRows({});
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_TRUE(HeaderIntact(t));
}

// Fails when an edit leaves the table counted as saved (Get all would replace it unasked), or when
// the header, the selection or the marks count as an edit.
TEST(MeterTableModified, EveryDataEditSetsItAndNothingElseDoes)
{
    const struct {
        const char* name;
        std::function<void(MeterTable&)> act;
        bool modified;
    } cases[] = {
        {"key cell", [](MeterTable& t) { t.setCell(MeterTable::ColKey, 2, "K"); }, true},
        {"notes cell", [](MeterTable& t) { t.setCell(MeterTable::ColNotes, 1, "x"); }, true},
        {"same text", [](MeterTable& t) { t.setCell(MeterTable::ColKey, 2, "K2"); }, false},
        {"header",
         [](MeterTable& t) {
             t.setHeader({"A", "B"});
         },
         false},
        {"selection and marks", [](MeterTable& t) { t.setSelectedRow(2), t.markAllDataRows(); }, false},
        {"row added", [](MeterTable& t) { t.setSelectedRow(1), t.InsertRow(); }, true},
        {"row deleted", [](MeterTable& t) { t.setSelectedRow(1), t.DeleteSelectedRow(); }, true},
        {"only row emptied",
         [](MeterTable& t) { t.setRowCount(2), t.setModified(false), t.setSelectedRow(1), t.DeleteSelectedRow(); },
         true},
        {"row count", [](MeterTable& t) { t.setRowCount(9); }, true},
        {"rows replaced (keys imported)", [](MeterTable& t) { t.replaceDataRows({}); }, true},
        {"cleared: nothing left to lose", [](MeterTable& t) { t.setCell(3, 1, "K"), t.ClearMeterTable(); }, false},
    };
    for (const auto& c : cases) {
        MeterTable t;
        Fill(t, 3);
        t.setModified(false);
        c.act(t);
        EXPECT_EQ(t.modified(), c.modified) << c.name;
    }
}
