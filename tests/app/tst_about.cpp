// The About window, its JPEG picture, and Help > User Manual.
#include "app/ui/about.h"
#include "app/ui/jpeg_decode.h"
#include "app/ui/user_manual.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray JpegOf(const QImage& image, int quality = 90)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return bytes;
}

int VisibleAboutWindows()
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TFAbout*>(w) && w->isVisible())
            ++count;
    return count;
}

}  // namespace

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void windowLayout();
    void showingTwiceShowsOneWindow();
    void pictureIsDecodedWithATransparentBackground();
    void damagedJpegGivesNoPicture_data();
    void damagedJpegGivesNoPicture();
    void jpegColoursSurvive();
    void manualByLanguage();
    void missingManualNamesItsPlace();
    void manualBesideFirstThenInstalledDocs();
};

void TestAbout::windowLayout()
{
    TFAbout about;
    QVERIFY(!about.isVisible());
    QCOMPARE(about.windowTitle(), QStringLiteral("ZELK-DUV -> About"));
    about.ShowAbout();
    QCOMPARE(about.size(), QSize(420, 280));
    const Qt::WindowFlags flags = about.windowFlags();
    QVERIFY(flags & Qt::WindowStaysOnTopHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(about.windowModality(), Qt::NonModal);

    auto* title = about.findChild<QLabel*>(QStringLiteral("Label_title"));
    QVERIFY(title);
    QCOMPARE(title->text(), QStringLiteral("ZELK-DUV set 1.0.1.34"));
    QVERIFY(title->font().bold());
    QCOMPARE(title->font().pixelSize(), 27);
    QCOMPARE(title->font().family(), QStringLiteral("Verdana"));
    QStringList texts;
    for (QLabel* l : about.findChildren<QLabel*>())
        texts << l->text();
    QVERIFY(texts.contains(QStringLiteral("(clock adjust)")));
    auto* picture = about.findChild<QLabel*>(QStringLiteral("Image1"));
    QVERIFY(picture);
    QCOMPARE(picture->size(), QSize(305, 41));
}

void TestAbout::showingTwiceShowsOneWindow()
{
    TFAbout about;
    about.ShowAbout();
    about.ShowAbout();
    QVERIFY(about.isVisible());
    QCOMPARE(VisibleAboutWindows(), 1);

    auto* close = about.findChild<QPushButton*>(QStringLiteral("Button_close"));
    QVERIFY(close);
    QCOMPARE(close->text(), QStringLiteral("Close"));
    close->click();
    QVERIFY(!about.isVisible());
    about.ShowAbout();
    QVERIFY(about.isVisible());
    about.close();  // the close box hides; the window lives on
    QVERIFY(!about.isVisible());
    QCOMPARE(VisibleAboutWindows(), 0);
}

void TestAbout::pictureIsDecodedWithATransparentBackground()
{
    TFAbout about;
    const QImage picture = about.picture();
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), QSize(305, 41));
    QCOMPARE(qAlpha(picture.pixel(0, 40)), 0);
    QCOMPARE(qAlpha(picture.pixel(304, 0)), 0);
    int opaque = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            opaque += qAlpha(picture.pixel(x, y)) == 255;
    QVERIFY(opaque > 500);                                     // the drawing is there
    QVERIFY(opaque < picture.width() * picture.height() / 2);  // the background is not
}

void TestAbout::damagedJpegGivesNoPicture_data()
{
    QTest::addColumn<QByteArray>("data");
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QByteArray good = JpegOf(image);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a jpeg") << QByteArray("GIF89a\x01\x00\x01\x00", 10);
    QTest::newRow("header only") << good.left(20);
    const qsizetype sof = good.indexOf(QByteArray("\xFF\xC0", 2));
    QVERIFY(sof > 0);
    QByteArray precision = good;  // 12-bit samples are not supported
    precision[sof + 4] = char(12);
    QTest::newRow("12-bit samples") << precision;
    QByteArray huge = good;  // a frame header claiming 65535 x 65535 pixels
    huge[sof + 5] = char(0xFF);
    huge[sof + 6] = char(0xFF);
    huge[sof + 7] = char(0xFF);
    huge[sof + 8] = char(0xFF);
    QTest::newRow("oversized") << huge;
}

void TestAbout::damagedJpegGivesNoPicture()
{
    QFETCH(QByteArray, data);
    QVERIFY(DecodeJpeg(data).isNull());
}

void TestAbout::jpegColoursSurvive()
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 40));
    const QImage decoded = DecodeJpeg(JpegOf(image, 95));
    QCOMPARE(decoded.size(), QSize(40, 20));
    const QColor c = decoded.pixelColor(20, 10);
    QVERIFY(qAbs(c.red() - 200) < 8 && qAbs(c.green() - 30) < 8 && qAbs(c.blue() - 40) < 8);

    // A truncated picture decodes what is there instead of failing.
    QImage big(200, 200, QImage::Format_RGB32);
    big.fill(Qt::white);
    const QByteArray full = JpegOf(big);
    QCOMPARE(DecodeJpeg(full.left(full.size() / 2)).size(), QSize(200, 200));
}

// Fails when an opener that finds no viewer (its own statuses 3 and 4) or
// cannot be started goes unreported, when one that succeeds or passes on a
// viewer's status is reported, when its output comes back to the program,
// or when the command moves the process's current folder.
void TestAbout::manualByLanguage()
{
    QCOMPARE(UserManualFileName(true), QStringLiteral("UsrManQOR.pdf"));
    QCOMPARE(UserManualFileName(false), QStringLiteral("UsrManQOR_IT.pdf"));

    QTemporaryDir tmp;
    // Each records its argument and where its output goes, and ends with its status.
    const auto makeOpener = [&](int status) {
        QFile opener(tmp.filePath(QStringLiteral("opener%1").arg(status)));
        opener.open(QIODevice::WriteOnly);
        opener.write(QByteArray("#!/bin/sh\nprintf %s \"$1\" >\"$0.seen\"\nout=$(readlink /proc/$$/fd/1)\nprintf %s "
                                "\"$out\" >\"$0.out\"\nexit ")
                     + QByteArray::number(status) + "\n");
        opener.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        return opener.fileName();
    };
    const QStringList boxless = {QStringLiteral("true"), makeOpener(1), makeOpener(2), makeOpener(7)};
    const QStringList noViewer = {makeOpener(3), makeOpener(4), tmp.filePath(QStringLiteral("none"))};
    QStringList shown;
    QTimer boxes;
    connect(&boxes, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            shown << box->text(), box->accept();
    });
    boxes.start(10);
    const QDir exeDir(QCoreApplication::applicationDirPath());
    for (const bool english : {true, false}) {
        const QString path = exeDir.filePath(UserManualFileName(english));
        const bool existed = QFile::exists(path);
        const auto cleanup = qScopeGuard([&] {  // even when a check fails
            if (!existed)
                QFile::remove(path);
        });
        if (!existed) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("%PDF-1.4\n");
        }
        QDir::setCurrent(tmp.path());
        shown.clear();
        for (const QString& program : boxless + noViewer)
            QVERIFY(OpenUserManual(english, program));
        QTRY_COMPARE(shown.size(), noViewer.size());
        QTest::qWait(600);  // and no further box
        QCOMPARE(shown.size(), noViewer.size());
        QVERIFY2(shown.first().contains(path) && shown.last().contains(path), qPrintable(shown.join('|')));
        for (const QString& opener : boxless.mid(1) + noViewer.mid(0, 2)) {
            QFile seen(opener + QStringLiteral(".seen")), out(opener + QStringLiteral(".out"));
            QTRY_VERIFY(out.size() > 0);
            QVERIFY(seen.open(QIODevice::ReadOnly) && seen.readAll() == path.toLocal8Bit());
            QVERIFY(out.open(QIODevice::ReadOnly));
            QCOMPARE(out.readAll().trimmed(), QByteArray("/dev/null"));
            QVERIFY(seen.remove() && out.remove());
        }
        QCOMPARE(QDir::currentPath(), QDir(tmp.path()).canonicalPath());
    }
}

void TestAbout::missingManualNamesItsPlace()
{
    const QDir exeDir(QCoreApplication::applicationDirPath());
    const QString path = exeDir.filePath(UserManualFileName(true));
    if (QFile::exists(path))
        QSKIP("a manual lies beside the test program");
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            shown = box->text(), box->accept();
    });
    QVERIFY(!OpenUserManual(true));
    QTRY_VERIFY2(shown.contains(path), qPrintable(shown));
}

// Installed program finding no manual; a portable copy taking the installed one.
void TestAbout::manualBesideFirstThenInstalledDocs()
{
    QTemporaryDir tmp;
    const QDir root(tmp.path());
    for (const char* dir : {"docs/", "share/doc/zelk-duv/", "bin/"}) {
        root.mkpath(QString::fromLatin1(dir));
        const QString path = root.filePath(QString::fromLatin1(dir) + UserManualFileName(true));
        QFile(path).open(QIODevice::WriteOnly);
        QCOMPARE(FindUserManual(root.filePath(QStringLiteral("bin")), root.filePath(QStringLiteral("docs")), true),
                 path);
    }
    // Where a missing manual belongs: the installation's documentation folder, else beside the program.
    const QString installed = root.filePath(QStringLiteral("share/doc/zelk-duv/UsrManQOR.pdf"));
    QCOMPARE(ExpectedUserManual(root.filePath(QStringLiteral("bin")), true), installed);
    const QString copy = root.filePath(QStringLiteral("bin/copy"));
    QCOMPARE(ExpectedUserManual(copy, true), copy + QStringLiteral("/UsrManQOR.pdf"));
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
