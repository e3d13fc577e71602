#pragma once
// Helpers for tests that drive the whole main window: a fresh window with its
// own temporary settings file, modal-box answering, and waiting on the log.
#include "app/ui/main_window.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// A main window whose settings file lives in a temporary folder (deleted
// with the fixture). The window is shown (offscreen) and active.
struct WindowFixture {
    WindowFixture();
    ~WindowFixture();

    TForm11& form() { return *window; }
    QStringList logLines() { return window->activityLog().lines(); }
    // Waits (processing events) until a log line equals `line`; true if seen.
    bool waitForLogLine(const QString& line, int timeoutMs = 3000);
    // Waits until a log line starts with `prefix`; the line, or empty.
    QString waitForLogPrefix(const QString& prefix, int timeoutMs = 3000);

    QTemporaryDir dir;
    std::unique_ptr<TForm11> window;
};

// Answers the next modal message box with `button` (a QMessageBox::StandardButton)
// and records its text and title.
struct ModalAnswer {
    explicit ModalAnswer(int b) : button(b) {}
    int button;
    QString text;
    QString title;
    bool seen = false;
};
void AnswerNextMessageBox(const std::shared_ptr<ModalAnswer>& answer);
