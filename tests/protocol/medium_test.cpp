// Medium names and codes: the box table and the list table.
#include "protocol/medium.h"
#include "support/recording_sink.h"

#include <gtest/gtest.h>

namespace {

TEST(MediumCodeFromName, EveryBoxItem)
{
    const QStringList expected = {"Oil",         "Electricity", "Steam",      "Hot water",  "Water",
                                  "Cold water",  "Gas",         "H.C.A",      "Heat meter", "Cooling meter",
                                  "Cooling, ft", "Pressure",    "Dual water", "Other"};
    const int codes[] = {0x01, 0x02, 0x05, 0x06, 0x07, 0x16, 0x03, 0x08, 0x04, 0x0A, 0x0B, 0x18, 0x17, 0x00};
    ASSERT_EQ(MediumBoxNames(), expected);
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(MediumCodeFromName(expected[i]), codes[i]) << expected[i].toStdString();
}

TEST(MediumCodeFromName, AnythingElseIsUnknown)
{
    for (const char* text : {"other", "", "Unknown", "Heat (rt)", "Heat C.A.", "Cooling, rt", "Compr. Air", "Water ",
                             " Water", "GAS", "A/D converter"})
        EXPECT_EQ(MediumCodeFromName(text), 0x0F) << text;
}

TEST(MediumNameFromCode, WholeTable)
{
    const char* names[] = {
        "Other",      "Oil",       "Electricity", "Gas",         "Heat (rt)",   "Steam",     "Hot water",
        "Water",      "Heat C.A.", "Compr. Air",  "Cooling, rt", "Cooling, ft", "Heat (ft)", "H/C load meter",
        "Bus/System", "Unknown"};
    for (int code = 0; code <= 0x0F; ++code)
        EXPECT_EQ(MediumNameFromCode(std::uint8_t(code)), QString(names[code])) << code;
    EXPECT_EQ(MediumNameFromCode(0x16), "Cold water");
    EXPECT_EQ(MediumNameFromCode(0x17), "Dual water");
    EXPECT_EQ(MediumNameFromCode(0x18), "Pressure");
    EXPECT_EQ(MediumNameFromCode(0x19), "A/D converter");
    for (int code = 0x10; code <= 0x15; ++code)
        EXPECT_EQ(MediumNameFromCode(std::uint8_t(code)), "Unknown") << code;
    for (int code = 0x1A; code <= 0xFF; ++code)
        EXPECT_EQ(MediumNameFromCode(std::uint8_t(code)), "Unknown") << code;
}

TEST(Medium, TablesDoNotMirrorEachOther)
{
    EXPECT_EQ(MediumNameFromCode(std::uint8_t(MediumCodeFromName("Heat meter"))), "Heat (rt)");
    EXPECT_EQ(MediumNameFromCode(std::uint8_t(MediumCodeFromName("H.C.A"))), "Heat C.A.");
    EXPECT_EQ(MediumNameFromCode(std::uint8_t(MediumCodeFromName("Cooling meter"))), "Cooling, rt");
    EXPECT_EQ(MediumCodeFromName(MediumNameFromCode(0x04)), 0x0F);
}

// Faults: a name the receiver's list shows ("Unknown", "Heat (rt)") refused
// or given another code, so that what list writes cannot be programmed back;
// a name in another case or with blanks around it refused.
TEST(MediumCodeFromAnyName, NamesOfEitherTableInAnyCase)
{
    const struct {
        const char* text;
        int code;
        const char* name;
    } cases[] = {
        {"Unknown", 0x0F, "Unknown"},
        {"heat (RT)", 0x04, "Heat (rt)"},
        {"HEAT C.A.", 0x08, "Heat C.A."},
        {"h.c.a", 0x08, "H.C.A"},
        {"cold WATER", 0x16, "Cold water"},
        {" Water ", 0x07, "Water"},
        {"Heat meter", 0x04, "Heat meter"},
        {"a/d converter", 0x19, "A/D converter"},
        {"other", 0x00, "Other"},
        {"Heat", -1, ""},
        {"", -1, ""},
        {"Water;", -1, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MediumCodeFromAnyName(c.text), c.code) << c.text;
        EXPECT_EQ(MediumTableName(c.text), QString(c.name)) << c.text;
    }
    // Every name the receiver's list shows reads back as its own code.
    for (int code = 0; code <= 0xFF; ++code) {
        const QString listed = MediumNameFromCode(std::uint8_t(code));
        EXPECT_EQ(MediumNameFromCode(std::uint8_t(MediumCodeFromAnyName(listed.toUpper()))), listed) << code;
    }
}

}  // namespace
