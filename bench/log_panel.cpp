// Activity log panel with a day's worth of lines: the cost of appending in
// small bursts (a few lines per event-loop turn, as exchanges produce them)
// on an empty log and on a log of 100,000 lines, and of one large burst.
// Run with QT_QPA_PLATFORM=offscreen or under a display.
#include "app/ui/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TForm11 form;
    form.show();
    QApplication::processEvents();
    const QString line = QStringLiteral(
        "Sent: 68 16 06 DA 46 04 03 02 01 00 1B 7A 00 00 00 00 0F FF 01 04 21 43 65 87 16 ");
    QElapsedTimer t;
    // n lines, perTurn of them between two event-loop turns; milliseconds.
    auto burst = [&](int n, int perTurn) {
        t.restart();
        for (int i = 0; i < n; ++i) {
            form.activityLog().append(line + QString::number(i));
            if (i % perTurn == perTurn - 1)
                QApplication::processEvents();
        }
        QApplication::processEvents();
        return double(t.nsecsElapsed()) / 1e6;
    };
    const double first = burst(1000, 4);
    const double bulk = burst(99000, 1 << 30);
    const double later = burst(1000, 4);
    std::printf("1,000 lines at 4 a turn on an empty log: %.0f ms (%.2f ms a turn)\n", first, first / 250);
    std::printf("99,000 lines in one turn:                %.0f ms\n", bulk);
    std::printf("1,000 lines at 4 a turn on 100,000 lines: %.0f ms (%.2f ms a turn)\n", later, later / 250);
    std::printf("panel holds %d lines\n", form.Memo_current->blockCount());
    return 0;
}
