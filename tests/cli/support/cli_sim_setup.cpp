#include "cli_sim_setup.h"

#include <QCoreApplication>
#include <QFile>

void EnsureCliTestApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "cli_test";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

QByteArray SimSettings(const QString& ptyPath, const QByteArray& extra)
{
    return "[Com port]\r\nName=" + ptyPath.toUtf8() + "\r\nSpeed=9600\r\n[Mbus]\r\nTimeout=300\r\n" + extra;
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
