#include "app/ui/user_manual.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

QString UserManualFileName(bool english)
{
    return english ? QStringLiteral("UsrManQOR.pdf") : QStringLiteral("UsrManQOR_IT.pdf");
}

bool OpenUserManual(bool english)
{
    const QString folder = QCoreApplication::applicationDirPath();
    QDir::setCurrent(folder);
    const QFileInfo manual(QDir(folder).filePath(UserManualFileName(english)));
    // A missing manual is not reported: the command simply does nothing.
    if (!manual.isFile())
        return false;
    // The viewer's result is not examined either.
    QDesktopServices::openUrl(QUrl::fromLocalFile(manual.absoluteFilePath()));
    return true;
}
