#pragma once
// Set-up shared by the tests that run zelk-cli against the simulator.
#include <QByteArray>
#include <QString>

// Makes the test process's QCoreApplication once; the simulator process and
// the settings reader need one.
void EnsureCliTestApp();

// The settings file that points zelk-cli at the simulator's line (9600 bit/s,
// 300 ms timeout), followed by `extra` lines.
QByteArray SimSettings(const QString& ptyPath, const QByteArray& extra = {});

// Writes `bytes` to `path`, replacing it; false when it cannot.
bool WriteWholeFile(const QString& path, const QByteArray& bytes);
