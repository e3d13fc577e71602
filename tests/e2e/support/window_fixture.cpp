#include "e2e/support/window_fixture.h"

#include "core/settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

WindowFixture::WindowFixture()
{
    // The program reads the settings beside the executable at creation;
    // start from none so every test sees the defaults.
    QFile::remove(SettingsFilePath());
    window = std::make_unique<TForm11>();
    window->reloadSettings(dir.filePath(QStringLiteral("zelk-duv.ini")));
    window->show();
    window->activateWindow();
    QApplication::processEvents();
}

WindowFixture::~WindowFixture()
{
    window.reset();
    QFile::remove(SettingsFilePath());
}

bool WindowFixture::waitForLogLine(const QString& line, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (window->activityLog().lines().contains(line))
            return true;
        QTest::qWait(10);
    }
    return window->activityLog().lines().contains(line);
}

QString WindowFixture::waitForLogPrefix(const QString& prefix, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    do {
        for (const QString& l : window->activityLog().lines())
            if (l.startsWith(prefix))
                return l;
        QTest::qWait(10);
    } while (t.elapsed() < timeoutMs);
    return QString();
}

void AnswerNextMessageBox(const std::shared_ptr<ModalAnswer>& answer)
{
    // Poll for the box: it appears once the code under test enters its
    // modal loop.
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer->seen = true;
        answer->text = box->text();
        answer->title = box->windowTitle();
        poll->stop();
        poll->deleteLater();
        // A click, as the user gives it: the static boxes answer with the
        // button clicked, and done() alone reads as no button.
        if (QAbstractButton* b = box->button(QMessageBox::StandardButton(answer->button)))
            b->click();
        else
            box->done(answer->button);
    });
    poll->start();
}
