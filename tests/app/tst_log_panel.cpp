// The log panel scrolls sideways for long lines, and whether it follows new
// lines is decided by the user's scrolling, never by the panel's size.
#include "app/ui/log_panel.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

namespace {

void Append(LogPanel& panel, int lines)
{
    for (int i = 0; i < lines; ++i)
        panel.appendLine(QStringLiteral("line %1").arg(i));
    panel.flushLines();
    QApplication::processEvents();
}

bool EndInView(LogPanel& panel)
{
    return panel.verticalScrollBar()->value() == panel.verticalScrollBar()->maximum();
}

}  // namespace

class LogPanelTest : public QObject {
    Q_OBJECT

private slots:
    void longLineScrollsSidewaysInsteadOfBeingCut()
    {
        LogPanel panel;
        panel.resize(300, 120);
        panel.show();
        panel.appendLine(QString(400, u'A'));
        panel.flushLines();
        QApplication::processEvents();
        QVERIFY(panel.horizontalScrollBar()->isVisible());
        QVERIFY(panel.horizontalScrollBar()->maximum() > 0);
    }

    // Fails when following depends on the last line being in view at the
    // moment of the append (a panel shrunk by the batch controls froze).
    void resizedPanelKeepsFollowing_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("batch controls appear") << 176 << 127;
        QTest::newRow("window at its smallest") << 300 << 60;
        QTest::newRow("cleared, then shrunk") << 176 << -60;
    }

    void resizedPanelKeepsFollowing()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        LogPanel panel;
        panel.resize(400, before);
        panel.show();
        Append(panel, 40);
        if (after < 0)
            panel.clearLines();
        Append(panel, 40);
        panel.resize(400, qAbs(after));
        QApplication::processEvents();
        Append(panel, 3);
        QVERIFY(panel.following());
        QVERIFY(EndInView(panel));
    }

    // Fails when an append pulls a reader away from older lines, or when End
    // does not bring the newest lines back.
    void scrolledAwayPanelStaysWhereTheUserPutIt()
    {
        LogPanel panel;
        panel.resize(400, 150);
        panel.show();
        Append(panel, 60);
        panel.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
        const int at = panel.verticalScrollBar()->value();
        panel.resize(400, 100);
        Append(panel, 5);
        QCOMPARE(panel.verticalScrollBar()->value(), at);
        QVERIFY(!panel.following());
        QTest::keyClick(&panel, Qt::Key_End);
        Append(panel, 5);
        QVERIFY(EndInView(panel));
    }
};

QTEST_MAIN(LogPanelTest)
#include "tst_log_panel.moc"
