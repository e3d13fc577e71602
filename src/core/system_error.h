#pragma once
// The system's text for an error number (errno), in the user's locale:
// "Permission denied", "Is a directory".
#include <QString>

#include <cstring>

inline QString SystemErrorText(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}
