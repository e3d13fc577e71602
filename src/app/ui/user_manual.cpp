#include "app/ui/user_manual.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>

#ifndef ZELK_INSTALL_DOCDIR
#define ZELK_INSTALL_DOCDIR ""  // not built for an installation
#endif

namespace {

const QString kInstalledDocs = QStringLiteral("../share/doc/zelk-duv/");

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
    // Its exit status tells whether a viewer took the manual; it is awaited
    // by the event loop, never by blocking the window. The process object
    // belongs to the application, so a closed window does not end it early.
    auto* process = new QProcess(QCoreApplication::instance());
    const auto failed = [process, english, manual] {
        process->deleteLater();
        ShowNotOpened(english, manual);
    };
    QObject::connect(process, &QProcess::finished, process, [process, failed](int code, QProcess::ExitStatus how) {
        if (code != 0 || how != QProcess::NormalExit)
            failed();
        else
            process->deleteLater();
    });
    // A crash ends in finished() as well; only a failed start does not.
    QObject::connect(process, &QProcess::errorOccurred, process, [failed](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            failed();
    });
    process->start(opener, {manual});
    return true;
}
