#include "app/ui/user_manual.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#ifndef ZELK_INSTALL_DOCDIR
#define ZELK_INSTALL_DOCDIR ""  // not built for an installation
#endif

QString UserManualFileName(bool english)
{
    return english ? QStringLiteral("UsrManQOR.pdf") : QStringLiteral("UsrManQOR_IT.pdf");
}

QString FindUserManual(const QString& exeDir, const QString& docDir, bool english)
{
    const QString name = UserManualFileName(english);
    const QString candidates[] = {
        QDir(exeDir).filePath(name),
        QDir(exeDir).filePath(QStringLiteral("../share/doc/zelk-duv/") + name),
        docDir.isEmpty() ? QString() : QDir(docDir).filePath(name),
    };
    for (const QString& candidate : candidates) {
        const QString path = QDir::cleanPath(QFileInfo(candidate).absoluteFilePath());
        if (!candidate.isEmpty() && QFileInfo(path).isFile())
            return path;
    }
    return {};
}

bool OpenUserManual(bool english, const DocumentOpener& open)
{
    const QString folder = QCoreApplication::applicationDirPath();
    QDir::setCurrent(folder);
    const QString manual = FindUserManual(folder, QStringLiteral(ZELK_INSTALL_DOCDIR), english);
    // A missing manual is not reported: the command simply does nothing.
    if (manual.isEmpty())
        return false;
    const QUrl url = QUrl::fromLocalFile(manual);
    const bool opened = open ? open(url) : QDesktopServices::openUrl(url);
    if (!opened) {
        // No viewer (for example no xdg-open): say where the manual is.
        QMessageBox::information(
            QApplication::activeWindow(),
            english ? QStringLiteral("User Manual") : QStringLiteral("Manuale Utente"),
            (english ? QStringLiteral("No program to open the user manual was found. Open it by hand:\n")
                     : QStringLiteral("Nessun programma per aprire il manuale utente. Aprirlo a mano:\n"))
                + QDir::toNativeSeparators(manual));
    }
    return true;
}
