#pragma once
// Byte and identifier text forms shared by the log, the sender filter and the
// reply decoders.
#include <QByteArray>
#include <QString>

// Each byte as two upper-case hexadecimal digits followed by one blank:
// {0x68, 0x00, 0x16} gives "68 00 16 ". An empty input gives "".
QString HexDump(const QByteArray& bytes);

// The identifier text of four received identifier bytes b0 b1 b2 b3 (frame
// order): the hexadecimal forms of b3, b2, b1, b0 joined, eight characters.
// {0x04,0x03,0x02,0x01} gives "01020304". Reads bytes [offset, offset+4) of
// `bytes`; returns an empty text when fewer than four bytes are there.
QString IdentifierText(const QByteArray& bytes, int offset = 0);
