#include "fakes.h"

#include "protocol/hex.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

void EnsureTestApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "operations_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

void SpinFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

bool SpinUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void FakeLink::TransmitTelegram(const QByteArray& telegram)
{
    if (!open) {
        lines << QStringLiteral("Not sent: ") + HexDump(telegram);
        return;
    }
    telegrams << telegram;
    lines << QStringLiteral("Sent: ") + HexDump(telegram);
}

void OpsRig::setIds(const QStringList& ids)
{
    table.setRowCount(int(ids.size()) + 1);
    for (int i = 0; i < ids.size(); ++i)
        table.setCell(MeterTable::ColSerial, i + 1, ids[i]);
}

QStringList OpsRig::linesMatching(const QString& prefix) const
{
    QStringList out;
    for (const QString& l : link.lines)
        if (l.startsWith(prefix))
            out << l;
    return out;
}

QByteArray Bcd(const QString& id)
{
    if (id == QLatin1String("FFFFFFFF"))
        return QByteArray(4, char(0xFF));
    QByteArray out;
    for (int pair = 3; pair >= 0; --pair) {
        const int hi = id.at(pair * 2).digitValue();
        const int lo = id.at(pair * 2 + 1).digitValue();
        out.append(char((hi << 4) | lo));
    }
    return out;
}

QByteArray Hex(const char* spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

QByteArray ExpectedFrame(const QString& zelkId, const QByteArray& body)
{
    QByteArray f;
    f.append(char(0x68));
    f.append(char(14 + body.size()));
    f.append(Hex("06 DA 46"));
    f.append(Bcd(zelkId));
    f.append(Hex("00 1B 7A 00 00 00 00"));
    f.append(body);
    f.append(char(0x16));
    return f;
}
