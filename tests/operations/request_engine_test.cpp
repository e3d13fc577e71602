// The request engine over the recording link: how often it sends, what ends
// its wait, and that bytes arriving outside an exchange or late answer nothing.
#include "operations/request_engine.h"
#include "serial/receive_path.h"
#include "support/fakes.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString kZelk = QStringLiteral("01020304");

QByteArray StatusReply(int used)
{
    QByteArray body = Hex("0F FF 06 04");
    body.append(char(used));
    body.append(Hex("10 00 10 0F FF 05 04 04 00 00 00"));
    return ExpectedFrame(kZelk, body);
}
QByteArray ListReply()
{
    QByteArray body = Hex("0F FF 79 40") + Bcd("11111111") + QByteArray(60, char(0xFF)) + Hex("0F FF 28 10");
    return ExpectedFrame(kZelk, body + Hex("07") + QByteArray(15, char(0xFF)));
}
QByteArray TailReply()
{
    QByteArray body;
    for (int k = 0; k < 16; ++k)
        body += Hex("04 13") + (k == 0 ? Hex("10 27 00 00") : Hex("FF FF FF FF"));
    return ExpectedFrame(kZelk, body);
}

// Answers the n-th telegram with replies[n] as soon as it has been sent.
void AnswerTelegrams(FakeLink& link, RequestEngine& engine, QList<QByteArray> replies)
{
    auto* poll = new QTimer(&engine);
    auto answered = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [&link, &engine, replies, answered] {
        while (*answered < link.telegrams.size() && *answered < replies.size())
            engine.receive(replies[(*answered)++]);
    });
    poll->start(1);
}

// Answers the n-th telegram with replies[n], delayMs after it has been sent.
void AnswerLate(FakeLink& link, RequestEngine& engine, QList<QByteArray> replies, int delayMs)
{
    auto* poll = new QTimer(&engine);
    auto seen = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [&link, &engine, replies, seen, delayMs] {
        for (; *seen < link.telegrams.size() && *seen < replies.size(); ++*seen)
            QTimer::singleShot(delayMs, &engine, [&engine, r = replies[*seen]] { engine.receive(r); });
    });
    poll->start(1);
}

struct ResendCase {
    int retries;
    int sends;
};
class EngineSilence : public ::testing::TestWithParam<ResendCase> {};

TEST_P(EngineSilence, SendsRetriesPlusOneIdenticalTelegramsThenNoReply)
{
    EnsureTestApp();
    FakeLink link;
    link.open = true;
    RequestEngine engine(link, kZelk, GetParam().retries, 300);
    QStringList attempts;
    QObject::connect(&engine, &RequestEngine::notice, [&](const QString& l) { attempts << l; });
    const RequestResult r = engine.addMeter(QStringLiteral("87654321"));
    EXPECT_EQ(r.kind, RequestResult::NoReply);
    EXPECT_EQ(r.attempts, GetParam().sends);
    ASSERT_EQ(link.telegrams.size(), GetParam().sends);
    EXPECT_EQ(link.telegrams.first(), link.telegrams.last());
    EXPECT_EQ(attempts.size(), GetParam().retries);
    EXPECT_EQ(engine.telegramsSent(), GetParam().sends);
}
INSTANTIATE_TEST_SUITE_P(Retries, EngineSilence, ::testing::Values(ResendCase{0, 1}, ResendCase{2, 3}));

TEST(RequestEngine, ReplyEndsTheWaitAtOnceNotAtTheTimeout)
{
    EnsureTestApp();
    FakeLink link;
    link.open = true;
    RequestEngine engine(link, kZelk, 9, 30000);
    AnswerTelegrams(link, engine, {StatusReply(2)});
    QElapsedTimer clock;
    clock.start();
    const RequestResult r = engine.readStatus();
    EXPECT_LT(clock.elapsed(), 30000);
    EXPECT_EQ(r.kind, RequestResult::Status);
    EXPECT_EQ(r.status.usedIds, 2);
    EXPECT_EQ(link.telegrams.size(), 1);
}

TEST(RequestEngine, ReplyBehindAStrayStartByteAnswersTheFirstSending)
{
    // Fails when the engine waits for the frame that the noise 68 F0 announces.
    EnsureTestApp();
    FakeLink link;
    link.open = true;
    RequestEngine engine(link, kZelk, 2, 300);
    AnswerTelegrams(link, engine, {Hex("68 F0") + StatusReply(2)});
    const RequestResult r = engine.readStatus();
    EXPECT_EQ(r.kind, RequestResult::Status);
    EXPECT_EQ(r.attempts, 1);
}

TEST(RequestEngine, ListTailIsAskedForWithoutTheWindowsHoldOff)
{
    EnsureTestApp();
    FakeLink link;
    link.open = true;
    RequestEngine engine(link, kZelk, 0, 30000);
    AnswerTelegrams(link, engine, {ListReply(), TailReply()});
    QElapsedTimer clock;
    clock.start();
    const RequestResult r = engine.readMeterList();
    EXPECT_LT(clock.elapsed(), ReceivePath::kHoldOffMs);
    ASSERT_EQ(r.kind, RequestResult::MeterList);
    ASSERT_EQ(r.rows.size(), 16u);
    EXPECT_EQ(r.rows[0][MeterTable::ColSerial], "11111111");
    EXPECT_EQ(r.rows[0][MeterTable::ColNotes], "10000");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(link.telegrams.size(), 2);
}

TEST(RequestEngine, LateReplyAfterTheLastRetryAnswersNoLaterCommand)
{
    EnsureTestApp();
    FakeLink link;
    link.open = true;
    RequestEngine engine(link, kZelk, 0, 300);
    ASSERT_EQ(engine.readStatus().kind, RequestResult::NoReply);
    engine.receive(StatusReply(1));  // the late reply, while nothing waits
    EXPECT_EQ(engine.addMeter(QStringLiteral("87654321")).kind, RequestResult::NoReply);
}

// Answers the n-th telegram with replies[n].first, .second ms after it was sent.
void AnswerAfter(FakeLink& link, RequestEngine& engine, QList<std::pair<QByteArray, int>> replies)
{
    auto* poll = new QTimer(&engine);
    auto seen = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [&link, &engine, replies, seen] {
        for (; *seen < link.telegrams.size() && *seen < replies.size(); ++*seen)
            QTimer::singleShot(replies[*seen].second, &engine,
                               [&engine, r = replies[*seen].first] { engine.receive(r); });
    });
    poll->start(1);
}

TEST(RequestEngine, LateReplyArrivingDuringTheNextExchangeIsNotItsAnswer)
{
    EnsureTestApp();
    FakeLink link;
    link.open = true;
    RequestEngine engine(link, kZelk, 0, 1000);
    // The status reply comes 1.5 timeouts late, while the add waits for its
    // own answer (an error 0x15, 0.7 timeouts after the add).
    AnswerAfter(link, engine, {{StatusReply(1), 1500}, {ExpectedFrame(kZelk, Hex("01 FD 17 15 2F 2F")), 700}});
    ASSERT_EQ(engine.readStatus().kind, RequestResult::NoReply);
    const RequestResult add = engine.addMeter(QStringLiteral("87654321"));
    EXPECT_EQ(add.kind, RequestResult::Error) << "the late status reply was taken for the add's answer";
    EXPECT_EQ(add.errorCode, 0x15);
}

TEST(RequestEngine, AbortEndsTheWaitOfAnyRequestAndSendsNothingMore)
{
    EnsureTestApp();
    for (bool list : {false, true}) {
        FakeLink link;
        link.open = true;
        RequestEngine engine(link, kZelk, 5, 3000);
        AnswerTelegrams(link, engine, {list ? ListReply() : QByteArray()});  // the values never come
        QTimer::singleShot(100, &engine, &RequestEngine::abort);
        EXPECT_EQ((list ? engine.readMeterList() : engine.readStatus()).kind, RequestResult::Interrupted);
        EXPECT_EQ(engine.addMeter(QStringLiteral("87654321")).kind, RequestResult::Interrupted);
        EXPECT_EQ(link.telegrams.size(), list ? 2 : 1);
    }
}

TEST(RequestEngine, ListWhoseValuesNeverComeKeepsItsRows)
{
    EnsureTestApp();
    FakeLink link;
    link.open = true;
    RequestEngine engine(link, kZelk, 0, 300);
    AnswerTelegrams(link, engine, {ListReply()});
    const RequestResult r = engine.readMeterList();
    ASSERT_EQ(r.kind, RequestResult::MeterList);
    EXPECT_FALSE(r.complete);
    ASSERT_EQ(r.rows.size(), 16u);
    EXPECT_EQ(r.rows[0][MeterTable::ColSerial], "11111111");
    EXPECT_EQ(r.rows[0][MeterTable::ColNotes], "");
}

TEST(RequestEngine, ReplyToARepeatedSendingDoesNotAnswerTheNextCommand)
{
    EnsureTestApp();
    FakeLink link;
    link.open = true;
    RequestEngine engine(link, kZelk, 1, 300);
    // 400 ms per reply: the first command goes out twice; the reply to its
    // repetition (an error, as a second add gets) comes after the answer.
    AnswerLate(link, engine, {StatusReply(1), ExpectedFrame(kZelk, Hex("01 FD 17 15 2F 2F")), StatusReply(2)}, 400);
    EXPECT_EQ(engine.addMeter(QStringLiteral("87654321")).kind, RequestResult::Status);
    EXPECT_EQ(engine.readStatus().kind, RequestResult::Status);
}

TEST(RequestEngine, ErrorReplyGivesItsCodeAndExplanation)
{
    EnsureTestApp();
    FakeLink link;
    link.open = true;
    RequestEngine engine(link, kZelk, 3, 30000);
    AnswerTelegrams(link, engine, {ExpectedFrame(kZelk, Hex("01 FD 17 15 2F 2F"))});
    const RequestResult r = engine.addMeter(QStringLiteral("87654321"));
    EXPECT_EQ(r.kind, RequestResult::Error);
    EXPECT_EQ(r.errorCode, 0x15);
    EXPECT_EQ(r.errorText, "Error: ID already programmed");
    EXPECT_EQ(link.telegrams.size(), 1);
}

// Fault: a medium name of neither table sent as 0x0F (or as 0xFF).
TEST(RequestEngine, UnknownMediumNameIsNotSent)
{
    EnsureTestApp();
    FakeLink link;
    link.open = true;
    RequestEngine engine(link, kZelk, 0, 300);
    EXPECT_EQ(engine.setMeterMedium(QStringLiteral("87654321"), QStringLiteral("Heat")).kind, RequestResult::NotSent);
    EXPECT_TRUE(link.telegrams.isEmpty());
}

// Hands the first `count` bytes of `reply` to the engine one at a time,
// 33 ms apart (300 bit/s), starting when the first telegram has gone out.
void TrickleReply(FakeLink& link, RequestEngine& engine, const QByteArray& reply, int count)
{
    auto* tick = new QTimer(&engine);
    auto given = std::make_shared<int>(0);
    QObject::connect(tick, &QTimer::timeout, [&link, &engine, reply, count, given] {
        if (!link.telegrams.isEmpty() && *given < count)
            engine.receive(reply.mid((*given)++, 1));
    });
    tick->start(33);
}

TEST(RequestEngine, SlowReplyIsWaitedForWhileItsBytesKeepComingAndSilenceStillEndsTheWait)
{
    EnsureTestApp();
    const struct {
        int bytes;  // of the 33-byte reply that arrive
        RequestResult::Kind kind;
    } cases[] = {{int(StatusReply(1).size()), RequestResult::Status}, {10, RequestResult::NoReply}};
    for (const auto& c : cases) {
        FakeLink link;
        link.open = true;
        RequestEngine engine(link, kZelk, 0, 300);  // the whole reply takes over three timeouts
        TrickleReply(link, engine, StatusReply(1), c.bytes);
        const RequestResult r = engine.readStatus();
        EXPECT_EQ(r.kind, c.kind) << c.bytes << " bytes";
        EXPECT_EQ(link.telegrams.size(), 1);
    }
}

}  // namespace
