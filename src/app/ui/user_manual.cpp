#include "app/ui/user_manual.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef ZELK_INSTALL_DOCDIR
#define ZELK_INSTALL_DOCDIR ""  // not built for an installation
#endif

namespace {

const QString kInstalledDocs = QStringLiteral("../share/doc/zelk-duv/");
constexpr int kNotStarted = -2;
constexpr int kPollMs = 200;

// The box that names the manual's path; it does not wait for an answer.
void ShowManualBox(bool english, const QString& text, const QString& path)
{
    auto* box = new QMessageBox(QMessageBox::Information,
                                english ? QStringLiteral("User Manual") : QStringLiteral("Manuale Utente"),
                                text + QDir::toNativeSeparators(path), QMessageBox::Ok, QApplication::activeWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void ShowNotOpened(bool english, const QString& manual)
{
    ShowManualBox(english,
                  english ? QStringLiteral("No program to open the user manual was found. Open it by hand:\n")
                          : QStringLiteral("Nessun programma per aprire il manuale utente. Aprirlo a mano:\n"),
                  manual);
}

// The opener's own statuses for "nothing could show it": 3, a program it
// needs was not found (no viewer, no desktop launcher); 4, the desktop's
// launcher failed, which is how the desktops report that no program takes
// the document. 1 (wrong call) and 2 (no such file) cannot come from a
// manual just found; any other status is the viewer's own, passed on after
// it ran. A start that failed counts as no viewer.
bool NoViewerStatus(int status)
{
    return status == kNotStarted || status == 3 || status == 4;
}

// Starts opener on the document without waiting, with no terminal input
// and its output (and the viewer's) sent nowhere, so that nothing piles up
// in this program. Its exit status goes to done on the GUI thread; a start
// that failed gives kNotStarted. The process is not this program's to end:
// it keeps running when the program exits.
void StartOpener(const QString& opener, const QString& document, std::function<void(int)> done)
{
    const QByteArray program = QFile::encodeName(opener), file = QFile::encodeName(document);
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(file.constData()), nullptr};
    posix_spawn_file_actions_t nowhere;
    posix_spawn_file_actions_init(&nowhere);
    posix_spawn_file_actions_addopen(&nowhere, 0, "/dev/null", O_RDONLY, 0);
    for (const int fd : {1, 2})
        posix_spawn_file_actions_addopen(&nowhere, fd, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int started = ::posix_spawnp(&pid, program.constData(), &nowhere, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&nowhere);
    if (started != 0) {
        done(kNotStarted);
        return;
    }
    // Asked now and then by the event loop; the timer belongs to the
    // application and goes with it, the process does not.
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, poll, [poll, pid, done = std::move(done)] {
        int status = 0;
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == 0)
            return;
        poll->deleteLater();
        poll->stop();
        if (ended == pid)
            done(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    });
    poll->start(kPollMs);
}

}  // namespace

QString UserManualFileName(bool english)
{
    return english ? QStringLiteral("UsrManQOR.pdf") : QStringLiteral("UsrManQOR_IT.pdf");
}

QString FindUserManual(const QString& exeDir, const QString& docDir, bool english)
{
    const QString name = UserManualFileName(english);
    const QString candidates[] = {
        QDir(exeDir).filePath(name),
        QDir(exeDir).filePath(kInstalledDocs + name),
        docDir.isEmpty() ? QString() : QDir(docDir).filePath(name),
    };
    for (const QString& candidate : candidates) {
        const QString path = QDir::cleanPath(QFileInfo(candidate).absoluteFilePath());
        if (!candidate.isEmpty() && QFileInfo(path).isFile())
            return path;
    }
    return {};
}

QString ExpectedUserManual(const QString& exeDir, bool english)
{
    const QString docs = QDir::cleanPath(QDir(exeDir).absoluteFilePath(kInstalledDocs));
    return QDir(QFileInfo(docs).isDir() ? docs : exeDir).absoluteFilePath(UserManualFileName(english));
}

bool OpenUserManual(bool english, const QString& opener)
{
    const QString folder = QCoreApplication::applicationDirPath();
    const QString manual = FindUserManual(folder, QStringLiteral(ZELK_INSTALL_DOCDIR), english);
    if (manual.isEmpty()) {
        ShowManualBox(english,
                      english ? QStringLiteral("The user manual is missing. It belongs here:\n")
                              : QStringLiteral("Manuale utente non trovato. Dovrebbe trovarsi qui:\n"),
                      ExpectedUserManual(folder, english));
        return false;
    }
    StartOpener(opener, manual, [english, manual](int status) {
        if (NoViewerStatus(status))
            ShowNotOpened(english, manual);
    });
    return true;
}
