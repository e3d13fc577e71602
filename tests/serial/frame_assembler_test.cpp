// Cutting frames out of the received byte stream.
#include "serial/frame_assembler.h"

#include "core/working_state.h"
#include "protocol/support/fake_reply_target.h"

#include <gtest/gtest.h>

#include <QList>
#include <random>
#include <stdexcept>

namespace {

class FrameAssemblerTest : public ::testing::Test {
protected:
    void feed(const QByteArray& bytes)
    {
        assembler.append(bytes, [this](const QByteArray& f) {
            frames << f;
            // the positions describe the frame being handed over
            EXPECT_EQ(state.rxBuffer.mid(state.frameStart - 1, state.frameEnd - state.frameStart + 1), f);
        });
    }
    // The stream cut into pieces of 1 to maxPiece bytes.
    void feedInPieces(const QByteArray& stream, std::mt19937& rng, int maxPiece)
    {
        for (int pos = 0; pos < stream.size();) {
            const int n = 1 + int(rng() % unsigned(maxPiece));
            feed(stream.mid(pos, n));
            pos += n;
        }
    }
    void expectFrames(const QList<QByteArray>& expected) const
    {
        ASSERT_EQ(frames.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            ASSERT_EQ(frames[i], expected[i]) << i;
    }
    void expectEmpty() const
    {
        EXPECT_TRUE(state.rxBuffer.isEmpty());
        EXPECT_EQ(state.rxCount, 0);
        EXPECT_EQ(state.frameStart, 0);
        EXPECT_EQ(state.frameEnd, 0);
    }

    WorkingState state;
    FrameAssembler assembler{state};
    QList<QByteArray> frames;
};

const QByteArray kFrame = ReplyFrame(RawBytes({0x01, 0xFD, 0x17, 0x15, 0x00, 0x00}));

}  // namespace

TEST_F(FrameAssemblerTest, FrameInThreePiecesIsTakenOnceWhenComplete)
{
    feed(kFrame.left(1));
    EXPECT_TRUE(frames.isEmpty());
    EXPECT_EQ(state.frameStart, 1);  // start found, length byte missing
    feed(kFrame.mid(1, 10));
    EXPECT_TRUE(frames.isEmpty());
    EXPECT_EQ(state.rxCount, 11);
    feed(kFrame.mid(11));
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames[0], kFrame);
    expectEmpty();
}

TEST_F(FrameAssemblerTest, JunkBeforeAFrameIsDiscardedWithIt)
{
    feed(RawBytes({0x00, 0xFF}) + kFrame.left(5));
    EXPECT_EQ(state.frameStart, 3);
    EXPECT_EQ(state.rxCount, 7);
    feed(kFrame.mid(5));
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames[0], kFrame);
    EXPECT_EQ(frames[0].size(), int(std::uint8_t(kFrame[1])) + 3);
    expectEmpty();
}

TEST_F(FrameAssemblerTest, StartByteInsideATelegram)
{
    const QByteArray frame = ReplyFrame(RawBytes({0x68, 0x68, 0x16, 0x68, 0x03, 0x16}));
    for (char c : frame)
        feed(QByteArray(1, c));
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames[0], frame);
    expectEmpty();
}

TEST_F(FrameAssemblerTest, EveryCompleteFrameOfOneReadIsTakenInOrder)
{
    const QByteArray second = ReplyFrame(RawBytes({0x0F, 0xFF, 0x06, 0x04}));
    const QByteArray third = RawBytes({0x68, 0x00, 0x16});  // smallest frame
    state.replyReceived = true;
    feed(kFrame + second + third + kFrame.left(4));
    ASSERT_EQ(frames.size(), 3);
    EXPECT_EQ(frames[0], kFrame);
    EXPECT_EQ(frames[1], second);
    EXPECT_EQ(frames[2], third);
    // bytes followed the frames
    EXPECT_FALSE(state.replyReceived);
    // the start of the fourth frame waits, at position 1
    EXPECT_EQ(state.rxBuffer, kFrame.left(4));
    EXPECT_EQ(state.rxCount, 4);
    EXPECT_EQ(state.frameStart, 1);
    feed(kFrame.mid(4));
    EXPECT_EQ(frames.size(), 4);
    expectEmpty();
}

TEST_F(FrameAssemblerTest, LastFrameAloneLeavesReplyReceived)
{
    state.replyReceived = true;
    feed(kFrame);
    EXPECT_TRUE(state.replyReceived);
}

TEST_F(FrameAssemblerTest, WrongEndByteDoesNotHideLaterFrames)
{
    QByteArray broken = kFrame;
    broken[broken.size() - 1] = 0x17;
    state.replyReceived = true;
    feed(broken);
    EXPECT_TRUE(frames.isEmpty());
    EXPECT_FALSE(state.replyReceived);
    feed(kFrame);
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames[0], kFrame);
    expectEmpty();

    // Same in one read, and a good frame starting inside the broken one.
    frames.clear();
    QByteArray fake = RawBytes({0x68, 0x05, 0x01}) + kFrame;  // end expected inside kFrame
    feed(fake);
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames[0], kFrame);
    expectEmpty();
}

TEST_F(FrameAssemblerTest, OverflowEmptiesAboveTheLimit)
{
    feed(QByteArray(1024, char(0x55)));
    EXPECT_FALSE(assembler.dropOverflow());
    EXPECT_EQ(state.rxCount, 1024);
    feed(QByteArray(1, char(0x55)));
    EXPECT_EQ(state.rxCount, 1025);
    EXPECT_TRUE(assembler.dropOverflow());
    expectEmpty();
    // assembly goes on afterwards
    feed(kFrame);
    EXPECT_EQ(frames.size(), 1);
}

TEST_F(FrameAssemblerTest, ClearAfterAHandlerFailure)
{
    EXPECT_THROW(assembler.append(kFrame + kFrame, [](const QByteArray&) { throw std::runtime_error("x"); }),
                 std::runtime_error);
    assembler.clear();
    expectEmpty();
    feed(QByteArray(3, 0) + kFrame);
    EXPECT_EQ(frames.size(), 1);
}

TEST_F(FrameAssemblerTest, LongStreamCutAtRandomPoints)
{
    // Frames of every length with noise (never a start byte) between them,
    // cut into random pieces: every frame comes out once, in order.
    std::mt19937 rng(7);
    QByteArray stream;
    QList<QByteArray> expected;
    for (int i = 0; i < 600; ++i) {
        QByteArray body;
        const int len = int(rng() % 242);
        for (int k = 0; k < len; ++k)
            body.append(char(rng() % 256));
        QByteArray f = ReplyFrame(body);
        expected << f;
        const int noise = int(rng() % 5);
        for (int k = 0; k < noise; ++k) {
            char c = char(rng() % 256);
            stream.append(c == 0x68 ? char(0x00) : c);
        }
        stream += f;
    }
    feedInPieces(stream, rng, 700);
    expectFrames(expected);
    expectEmpty();
}

TEST_F(FrameAssemblerTest, FrameOfTheCurrentReceiverBehindAStrayStartByteIsTakenAtOnce)
{
    // 68 F0 announces a frame that never comes. Fails when the frame behind it
    // waits, or when anything but a complete frame of the current receiver is taken.
    const struct {
        const char* id;
        QByteArray behind;
        int taken;
    } cases[] = {
        {"01020304", kFrame, 1},
        {"01020305", kFrame, 0},                                          // another receiver
        {nullptr, kFrame, 0},                                             // no ID given
        {"01020304", kFrame.chopped(1), 0},                               // still incomplete
        {"01020304", kFrame.chopped(1) + char(0x17), 0},                  // wrong end byte
        {"01020304", RawBytes({0x68, 0x02, 0, 0, 0x16, 4, 3, 2, 1}), 0},  // too short for an ID
    };
    for (const auto& c : cases) {
        WorkingState s;
        FrameAssembler a(s);
        if (c.id)
            a.setCurrentId([id = QString::fromLatin1(c.id)] { return id; });
        QList<QByteArray> taken;
        a.append(RawBytes({0x00, 0x68, 0xF0}) + c.behind, [&](const QByteArray& f) { taken << f; });
        EXPECT_EQ(taken.size(), c.taken) << c.behind.toHex().constData();
        EXPECT_EQ(s.rxCount, c.taken ? 0 : 3 + c.behind.size());
    }
}

namespace {

// A frame-like run naming the current receiver, as a key or a meter ID may
// hold one: 68 L, three bytes, 04 03 02 01, L - 7 bytes, 16.
QByteArray FrameLikeRun(std::mt19937& rng)
{
    const int length = 7 + int(rng() % 12);
    QByteArray run = RawBytes({0x68, length, int(rng() % 256), int(rng() % 256), int(rng() % 256), 4, 3, 2, 1});
    while (run.size() < length + 2)
        run.append(char(rng() % 256));
    return run + char(0x16);
}

// Noise between frames: none, bytes without a start byte, or bytes with
// stray start bytes announcing any length.
QByteArray NoiseBetweenFrames(std::mt19937& rng)
{
    QByteArray noise;
    const int kind = int(rng() % 3);
    const int size = kind == 0 ? 0 : 1 + int(rng() % 12);
    for (int k = 0; k < size; ++k) {
        const char c = char(rng() % 256);
        noise.append(kind == 2 && rng() % 3 == 0 ? char(0x68) : c == 0x68 ? char(0) : c);
    }
    return noise;
}

}  // namespace

TEST_F(FrameAssemblerTest, RepliesHoldingFrameLikeRunsComeOutWholeThroughNoiseAndStrayStartBytes)
{
    // Fails when a run inside a reply in progress is taken as a frame, or when
    // noise that ends on 0x16 swallows the start of a reply.
    assembler.setCurrentId([] { return QStringLiteral("01020304"); });
    std::mt19937 rng(26);
    QByteArray stream;
    QList<QByteArray> expected;
    for (int i = 0; i < 4000; ++i) {
        QByteArray body;
        const int len = int(rng() % 200);
        while (body.size() < len)
            body += rng() % 4 == 0 ? FrameLikeRun(rng) : QByteArray(1, char(rng() % 256));
        expected << ReplyFrame(body);
        stream += (i > 0 ? NoiseBetweenFrames(rng) : QByteArray()) + expected.back();
    }
    RecordProperty("StreamBytes", int(stream.size()));
    feedInPieces(stream, rng, 300);
    expectFrames(expected);
}

TEST_F(FrameAssemblerTest, KeyHoldingAFrameLikeRunIsNotCutOutOfItsReadBack)
{
    // A key read-back whose key reads 68 07 00 00 00 04 03 02 01 16 ..., in two
    // reads cut at every point: the whole reply comes out, nothing else.
    assembler.setCurrentId([] { return QStringLiteral("01020304"); });
    const QByteArray key = RawBytes({0x68, 0x07, 0, 0, 0, 4, 3, 2, 1, 0x16, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5});
    const QByteArray reply = ReplyFrame(RawBytes({0x0F, 0xFF, 0x27, 0x14, 0x78, 0x56, 0x34, 0x12}) + key);
    for (int cut = 1; cut < reply.size(); ++cut) {
        frames.clear();
        feed(reply.left(cut));
        feed(reply.mid(cut));
        ASSERT_EQ(frames.size(), 1) << cut;
        EXPECT_EQ(frames[0], reply) << cut;
        expectEmpty();
    }
}
