#pragma once
// Mouse input for the meter grid as a user gives it: presses and releases
// sent to the grid's viewport at a row's cell, with modifier keys.
#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>

#include "table/meter_table.h"
#include "table/ui/meter_grid.h"

inline void SendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint pos)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, mods);
    QApplication::sendEvent(w, &e);
}

// The centre of a table row's cell (table rows count from 1, the header is row 0).
inline QPoint CellCentre(const MeterGrid& grid, int tableRow, int col = 1)
{
    return grid.visualRect(grid.model()->index(tableRow - 1, col)).center();
}

inline void ClickRow(MeterGrid& grid, int tableRow, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const QPoint p = CellCentre(grid, tableRow);
    SendMouse(grid.viewport(), QEvent::MouseButtonPress, Qt::LeftButton, mods, p);
    SendMouse(grid.viewport(), QEvent::MouseButtonRelease, Qt::LeftButton, mods, p);
}

inline void DoubleClickRow(MeterGrid& grid, int tableRow)
{
    const QPoint p = CellCentre(grid, tableRow);
    ClickRow(grid, tableRow);
    SendMouse(grid.viewport(), QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::NoModifier, p);
    SendMouse(grid.viewport(), QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoModifier, p);
}

inline void ClickHeader(MeterGrid& grid)
{
    QWidget* hv = grid.horizontalHeader()->viewport();
    const QPoint p(10, 10);
    SendMouse(hv, QEvent::MouseButtonPress, Qt::LeftButton, Qt::NoModifier, p);
    SendMouse(hv, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoModifier, p);
}

inline QList<int> MarkedRows(const MeterTable& table)
{
    QList<int> out;
    for (int r = 1; r < table.rowCount(); ++r)
        if (table.rowMarked(r))
            out << r;
    return out;
}
