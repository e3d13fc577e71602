#pragma once
// The line settings a user chooses from: the speeds and parities that the
// window's lists offer and the command-line program accepts, in their order,
// and how their texts become the serial device's settings. The receiver
// always runs 8 data bits and 1 stop bit.
#include "serial/vacomm.h"

#include <QString>
#include <QStringList>

// "300", "600", ... "115200".
const QStringList& LineSpeedTexts();
// "None", "Even", "Odd", "Mark", "Space".
const QStringList& ParityTexts();

// A speed text as a line rate: the speeds offered open at their own rate;
// any other text (not a number, or a number not offered) gives 2400 bit/s.
TVaBaudrate RateFromText(const QString& text);
// A parity text compared exactly, case included; anything else is even.
TVaParity ParityFromText(const QString& text);
