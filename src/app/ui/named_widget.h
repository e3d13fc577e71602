#pragma once
// Controls carry the objectName of the window design.
#include <QHBoxLayout>
#include <QString>

#include <initializer_list>

template <typename W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// A row of buttons: `left` from the start, `right` at the far end.
inline QHBoxLayout* buttonRow(std::initializer_list<QWidget*> left, QWidget* right)
{
    auto* row = new QHBoxLayout;
    for (QWidget* w : left)
        row->addWidget(w);
    row->addStretch();
    row->addWidget(right);
    return row;
}
