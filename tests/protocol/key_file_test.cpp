// Key files of meter makers against fixtures made by keyfiles/make_fixtures.sh
// with the openssl and zip command lines: both KEM shapes, bare and zipped,
// random pad bytes, passwords, refusals, plain key lists and conflicts.
#include "protocol/key_file.h"
#include "protocol/medium.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using KeyFile::Status;

struct KeyFileCase {
    const char* name;
    QByteArray file;  // a fixture name, or "=" followed by the file's bytes
    const char* password;
    Status status;
    QStringList meters = {};  // "ID|medium|key|fileMedium|where"
    int skipped = 0;
    int conflicts = 0;
};

const QString kA = "000102030405060708090A0B0C0D0E0F", kB = "101112131415161718191A1B1C1D1E1F";

const QStringList kShipment = {"10000001|Heat meter|000102030405060708090A0B0C0D0E0F|Heat|line 3",
                               "10000002|Hot water|101112131415161718191A1B1C1D1E1F|WarmWater|line 4",
                               "10000003||202122232425262728292A2B2C2D2E2F|Steam pipe|line 5"};

QStringList InZip(const QStringList& meters)
{
    QStringList named;
    for (const QString& m : meters)
        named << QString(m).replace("|line", "|meters.kem, line");
    return named;
}

const KeyFileCase kCases[] = {
    {"MetersInOrderWithRandomPadBytes", "meters.kem", "Shipment-2024", Status::Read, kShipment, 4, 2},
    {"DevicesWithPrefixedNamesAndA16BytePassword",
     "devices.kem",
     "Wärme/Kälte-24",
     Status::Read,
     {"20000001|Cold water|A0A1A2A3A4A5A6A7A8A9AAABACADAEAF|Cold water|line 3",
      "20000002|Heat meter|B0B1B2B3B4B5B6B7B8B9BABBBCBDBEBF|Heat and cooling|line 11"}},
    {"PasswordOf17BytesIsRefused", "devices.kem", "Wärme/Kälte-245", Status::PasswordTooLong},
    {"WrongPasswordIsRefusedWithoutRows", "meters.kem", "Shipment-2025", Status::WrongPassword},
    {"PadByteOver16IsRefused", "bad_pad.kem", "Shipment-2024", Status::WrongPassword},
    {"EncryptedFileWithoutPasswordAsksForOne", "meters.kem", "", Status::PasswordNeeded},
    {"ZipTakesItsKemEntry", "shipment.zip", "Shipment-2024", Status::Read, InZip(kShipment), 4, 2},
    {"ZipNamedKemIsStillAZip", "shipment.zip.kem", "Shipment-2024", Status::Read, InZip(kShipment), 4, 2},
    {"ZipWithoutKemEntryIsRefused", "no_kem.zip", "", Status::NoKemEntry},
    {"EncryptedZipEntryIsRefused", "encrypted_entry.zip", "Shipment-2024", Status::EncryptedEntry},
    {"EntryClaimingSmallSizeStopsAtTheLimit", "bomb.zip", "x", Status::TooLarge},
    {"PlainKeyListWithHeaderCommentsGroupsAndMakerCode",
     "=Meter ID;Key\r\n# shipment 4711\r\n// made up\r\n\r\n"
     "ABC;10000001;0001 0203 0405 0607 0809 0A0B 0C0D 0E0F\r\n"
     "10000002,10-11-12-13-14-15-16-17-18-19-1a-1b-1c-1d-1e-1f\n"
     "10000003\t20:21:22:23:24:25:26:27:28:29:2A:2B:2C:2D:2E:2F\n"
     "XYZ 10000004 303132333435363738393A3B3C3D3E3F first floor\n",
     "",
     Status::Read,
     {"10000001||" + kA + "||line 5", "10000002||" + kB + "||line 6",
      "10000003||202122232425262728292A2B2C2D2E2F||line 7", "10000004||303132333435363738393A3B3C3D3E3F||line 8"}},
    {"BadIdsAndKeysAreSkippedAndNamed",
     "=1234567;" + kA.toLatin1() + "\n12345678;0011\n12345678\n",
     "",
     Status::Read,
     {},
     3},
    {"SameMeterTwiceWithSameKeyCountsOnce",
     "=10000001;" + kA.toLatin1() + "\n10000001;" + kA.toLower().toLatin1(),
     "",
     Status::Read,
     {"10000001||" + kA + "||line 1"}},
    {"SameMeterWithTwoKeysIsAConflict",
     "=10000001;" + kA.toLatin1() + "\n10000002;" + kA.toLatin1() + "\n10000001;" + kB.toLatin1(),
     "",
     Status::Read,
     {"10000002||" + kA + "||line 2"},
     2,
     2},
    {"PlainKemDocument",
     "=<MetersInOrder><Meter><SerialNo>10000001</SerialNo><EncKeys><DEK>" + kA.toLatin1()
         + "</DEK></EncKeys></Meter></MetersInOrder>",
     "",
     Status::Read,
     {"10000001||" + kA + "||line 1"}},
    {"OwnMeterListReadsItsRowsWithKeys",
     "=1;10000001;Water;" + kA.toLatin1() + ";hall;\r\n2;10000002;Gas;;;\r\n",
     "",
     Status::Read,
     {"10000001|Water|" + kA + "|Water|line 1"}},
    {"TextWithoutMetersIsNotAKeyFile", "=Dear customer,\nplease find the keys attached.\n", "", Status::NotKeyFile},
    {"OtherXmlIsNotAKeyFile", "=<html><body>10000001</body></html>", "", Status::NotKeyFile},
    {"DocumentTypeDeclarationIsNeverRead",
     "=<!DOCTYPE MetersInOrder [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><MetersInOrder/>", "", Status::NotKeyFile},
    {"DamagedCipherValueIsNotAKeyFile",
     "=<EncryptedData><CipherData><CipherValue>@@@@</CipherValue></CipherData>"
     "</EncryptedData>",
     "pw", Status::NotKeyFile},
};

QString Describe(const KeyFile::Meter& m)
{
    return QStringList{m.id, m.medium, m.key, m.fileMedium, m.where}.join('|');
}

class KeyFileRead : public ::testing::TestWithParam<KeyFileCase> {};

TEST_P(KeyFileRead, MetersSkippedAndRefusals)
{
    const KeyFileCase& c = GetParam();
    KeyFile::Options options;
    options.password = QByteArray(c.password);
    const KeyFile::Result r = c.file.startsWith('=') ? KeyFile::ReadBytes(c.file.mid(1), options)
                                                     : KeyFile::ReadFile(KEY_FIXTURES "/" + QString(c.file), options);
    EXPECT_EQ(int(r.status), int(c.status)) << r.message.toStdString();
    EXPECT_EQ(r.message.isEmpty(), c.status == Status::Read) << r.message.toStdString();
    QStringList meters;
    for (const KeyFile::Meter& m : r.meters)
        meters << Describe(m);
    EXPECT_EQ(meters, c.meters);
    EXPECT_EQ(int(r.skipped.size()), c.skipped);
    EXPECT_EQ(int(r.conflicts.size()), c.conflicts);
    for (const KeyFile::Skipped& s : r.skipped)
        EXPECT_TRUE(s.where.contains("line ") && !s.reason.isEmpty()) << s.where.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Files, KeyFileRead, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KeyFileRead, BinaryWithNulIsRefusedEvenWithAMeterLine)
{
    const QByteArray bytes("10000001;000102030405060708090A0B0C0D0E0F\n\0\0", 45);
    EXPECT_EQ(int(KeyFile::ReadBytes(bytes, {}).status), int(Status::NotKeyFile));
}

TEST(KeyFileRead, FilesOverTheLimitAndNonFilesAreRefusedUnread)
{
    QTemporaryDir dir;
    QFile big(dir.filePath("big.kem"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(KeyFile::kMaxBytes + 1));
    big.close();
    EXPECT_EQ(int(KeyFile::ReadFile(big.fileName(), {}).status), int(Status::TooLarge));
    ASSERT_EQ(::mkfifo(dir.filePath("fifo").toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(int(KeyFile::ReadFile(dir.filePath("fifo"), {}).status), int(Status::NotKeyFile));
    EXPECT_EQ(int(KeyFile::ReadFile(dir.path(), {}).status), int(Status::NotKeyFile));
    EXPECT_EQ(int(KeyFile::ReadFile(dir.filePath("missing"), {}).status), int(Status::ReadError));
}

TEST(MediumBoxNameForConsumption, ClearTypesGiveBoxNamesOthersNothing)
{
    const std::pair<const char*, const char*> cases[] = {{"Cold water", "Cold water"},
                                                         {"COLD_WATER", "Cold water"},
                                                         {"WarmWater", "Hot water"},
                                                         {"hot water", "Hot water"},
                                                         {"Heat", "Heat meter"},
                                                         {"Cooling", "Cooling meter"},
                                                         {"Heat & cooling", "Heat meter"},
                                                         {"Gas", "Gas"},
                                                         {"Electricity", "Electricity"},
                                                         {"Water", "Water"},
                                                         {"Steam pipe", ""},
                                                         {"", ""},
                                                         {"Heat cost allocator", ""},
                                                         {"Cold", ""}};
    for (const auto& [type, name] : cases) {
        EXPECT_EQ(MediumBoxNameForConsumption(type), QString(name)) << type;
        EXPECT_TRUE(!*name || MediumBoxNames().contains(name)) << name;
    }
}

}  // namespace
