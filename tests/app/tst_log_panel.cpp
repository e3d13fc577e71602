// The log panel scrolls sideways; following is the user's choice, not the size's.
#include "app/ui/log_panel.h"
#include <QApplication>
#include <QScrollBar>
#include <QTest>

static bool AppendAndShowsEnd(LogPanel& panel, int lines)
{
    for (int i = 0; i < lines; ++i)
        panel.appendLine(QString(i == lines - 1 ? 400 : 8, u'A'));
    panel.flushLines();
    QApplication::processEvents();
    return panel.verticalScrollBar()->value() == panel.verticalScrollBar()->maximum();
}

class LogPanelTest : public QObject {
    Q_OBJECT

private slots:
    // Fails when a shrunk panel stops following (as after a batch), or when a
    // 400-character line gets no horizontal scroll bar.
    void resizedPanelKeepsFollowing_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("batch controls appear") << 176 << 127;
        QTest::newRow("cleared, then shrunk") << 176 << -60;
    }
    void resizedPanelKeepsFollowing()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        LogPanel panel;
        panel.resize(400, before);
        panel.show();
        AppendAndShowsEnd(panel, 40);
        QVERIFY(panel.horizontalScrollBar()->isVisible() && panel.horizontalScrollBar()->maximum() > 0);
        if (after < 0)
            panel.clearLines();
        AppendAndShowsEnd(panel, 40);
        panel.resize(400, qAbs(after));
        QVERIFY(AppendAndShowsEnd(panel, 3));
    }
    // Fails when an append pulls a reader away from older lines, or when End
    // does not bring the newest lines back.
    void scrolledAwayPanelStaysWhereTheUserPutIt()
    {
        LogPanel panel;
        panel.resize(400, 150);
        panel.show();
        AppendAndShowsEnd(panel, 60);
        panel.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
        const int at = panel.verticalScrollBar()->value();
        panel.resize(400, 100);
        AppendAndShowsEnd(panel, 5);
        QCOMPARE(panel.verticalScrollBar()->value(), at);
        QTest::keyClick(&panel, Qt::Key_End);
        QVERIFY(AppendAndShowsEnd(panel, 5));
    }
};

QTEST_MAIN(LogPanelTest)
#include "tst_log_panel.moc"
