// Which reply a frame is: the sender filter and the routing order that the
// window and the command-line program share.
#include "protocol/reply_classifier.h"

#include "protocol/support/fake_reply_target.h"

#include <gtest/gtest.h>

namespace {

// Faults: the rules' order swapped (a due list tail or a pending list taken
// for a key read-back), the 21-byte bound off by one, a frame of another
// receiver (or one too short to name it, or differing only in letter case)
// accepted.
TEST(ReplyClassifier, SenderFirstThenTailThenListThenByLengthAndKeyRead)
{
    const QByteArray f21 = ReplyFrameOfSize(21), f22 = ReplyFrameOfSize(22);
    const QByteArray other = ReplyFrame(QByteArray(5, '\0'), RawBytes({0x05, 0x03, 0x02, 0x01}));
    const QByteArray letters = ReplyFrame(QByteArray(4, '\0'), RawBytes({0xAB, 0x03, 0x02, 0x01}));
    const struct {
        QByteArray frame;
        QString zelkId;
        ReplyExpectation expect;
        ReplyKind kind;
    } rows[] = {
        {other, "01020304", {true, true, true}, ReplyKind::Foreign},
        {letters, "010203ab", {}, ReplyKind::Foreign},
        {letters, "010203AB", {}, ReplyKind::LogOnly},
        {f22.left(8), "", {true, false, false}, ReplyKind::Foreign},
        {f21, "01020304", {true, true, true}, ReplyKind::ListTail},
        {f22, "01020304", {false, true, true}, ReplyKind::MeterList},
        {f22, "01020304", {false, false, true}, ReplyKind::KeyReadBack},
        {f22, "01020304", {}, ReplyKind::StatusOrError},
        {f21, "01020304", {false, false, true}, ReplyKind::LogOnly},
        {f21, "01020304", {}, ReplyKind::LogOnly},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ClassifyReply(r.frame, r.zelkId, r.expect), r.kind) << r.frame.toHex(' ').toStdString();
}

}  // namespace
