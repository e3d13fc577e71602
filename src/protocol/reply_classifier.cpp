#include "protocol/reply_classifier.h"

#include "protocol/hex.h"

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
