#pragma once
// Controls carry the objectName of the window design.
#include <QString>

template <typename W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}
