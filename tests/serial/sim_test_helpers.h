#pragma once
// Frames written by hand for the simulator's tests, and checks of its answers.
#include "support/sim_line.h"
#include "support/sim_process.h"

#include <QByteArray>
#include <QStringList>
#include <gtest/gtest.h>

namespace simtest {

// "0F FF 01 04" -> bytes.
inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', QByteArray()));
}

inline QByteArray hexOf(const QByteArray& bytes)
{
    return bytes.toHex(' ').toUpper();
}

// A command frame: 68 L 06 DA 46 <ZELK ID> 00 1B 7A 00 00 00 00 <body> 16,
// with L = 14 + body length.
inline QByteArray command(const char* body, const char* zelkId = "04 03 02 01")
{
    const QByteArray b = hex(body);
    QByteArray f = hex("68");
    f += char(14 + b.size());
    f += hex("06 DA 46");
    f += hex(zelkId);
    f += hex("00 1B 7A 00 00 00 00");
    f += b;
    f += char(0x16);
    return f;
}

inline QByteArray statusRequest(const char* zelkId = "04 03 02 01")
{
    return command("04 6D 07 0E 01 01", zelkId);
}

// The answer head: 68 L 08 DA 46 <sender> 00 1B 7A 00 00 00 00, L consistent, end 16.
inline void expectAnswerHead(const QByteArray& f, const char* sender = "04 03 02 01")
{
    ASSERT_GE(f.size(), 17) << hexOf(f).constData();
    EXPECT_EQ(quint8(f[0]), 0x68);
    EXPECT_EQ(quint8(f[1]) + 3, f.size());
    EXPECT_EQ(hexOf(f.mid(2, 3)), "08 DA 46");
    EXPECT_EQ(f.mid(5, 4), hex(sender)) << hexOf(f).constData();
    EXPECT_EQ(hexOf(f.mid(9, 7)), "00 1B 7A 00 00 00 00");
    EXPECT_EQ(quint8(f[f.size() - 1]), 0x16);
}

struct Status {
    bool valid = false;
    int used = -1;
    int modeCode = -1;
    int flags = -1;
};

// Reads a status answer at the offsets the utility uses; invalid for anything else.
inline Status statusOf(const QByteArray& f)
{
    Status s;
    if (f.size() <= 32 || f.mid(16, 4) != hex("0F FF 06 04") || f.mid(24, 4) != hex("0F FF 05 04"))
        return s;
    s.valid = true;
    s.used = quint8(f[20]);
    s.modeCode = quint8(f[23]);
    s.flags = quint8(f[28]);
    return s;
}

// The code of an error answer (01 FD 17 <code>), -1 for anything else. The
// answer must be longer than 21 bytes, or the utility would not decode it.
inline int errorOf(const QByteArray& f)
{
    if (f.size() <= 21 || f.mid(16, 3) != hex("01 FD 17"))
        return -1;
    return quint8(f[19]);
}

// Starts a simulator and opens its line.
class SimFixture : public ::testing::Test {
protected:
    void startSim(const QStringList& args = {})
    {
        ASSERT_TRUE(sim.start(args)) << sim.errorString().toStdString();
        ASSERT_TRUE(line.open(sim.ptyPath()));
    }
    // Writes a frame and returns the next answer frame (empty when none came).
    QByteArray ask(const QByteArray& frame, QByteArray* skipped = nullptr)
    {
        EXPECT_TRUE(line.write(frame));
        return line.readFrame(5000, skipped);
    }
    Status askStatus(const QByteArray& frame)
    {
        const QByteArray answer = ask(frame);
        expectAnswerHead(answer);
        return statusOf(answer);
    }
    int askError(const QByteArray& frame)
    {
        const QByteArray answer = ask(frame);
        expectAnswerHead(answer);
        return errorOf(answer);
    }

    SimProcess sim;
    SimLine line;
};

}  // namespace simtest
