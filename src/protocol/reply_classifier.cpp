#include "protocol/reply_classifier.h"

#include "protocol/hex.h"
#include "protocol/reply_decoders.h"
#include "protocol/reply_target.h"

bool IsFromReceiver(QByteArrayView frame, const QString& zelkId)
{
    // An empty box must not accept a frame that names nobody.
    if (frame.size() < ReplyFrames::kSenderMinSize)
        return false;
    return IdentifierText(frame.toByteArray(), ReplyFrames::kSenderOffset) == zelkId;
}

ReplyKind ClassifyReply(QByteArrayView frame, const QString& zelkId, const ReplyExpectation& expect)
{
    if (!IsFromReceiver(frame, zelkId))
        return ReplyKind::Foreign;
    if (expect.listTail)
        return ReplyKind::ListTail;
    if (expect.meterList)
        return ReplyKind::MeterList;
    if (frame.size() <= ReplyFrames::kShortFrame)
        return ReplyKind::LogOnly;
    return expect.keyRead ? ReplyKind::KeyReadBack : ReplyKind::StatusOrError;
}

void DecodeReply(ReplyKind kind, const QByteArray& frame, ReplyTarget& target)
{
    switch (kind) {
    case ReplyKind::ListTail: DecodeListTail(frame, target); break;
    case ReplyKind::MeterList:
        if (!DecodeMeterList(frame, target))
            target.logLine(QStringLiteral("Error decoding radio telegram..."));
        break;
    case ReplyKind::KeyReadBack: DecodeKeyReadBack(frame, target); break;
    case ReplyKind::StatusOrError: DecodeStatusOrError(frame, target); break;
    case ReplyKind::LogOnly:
    case ReplyKind::Foreign: break;
    }
}
