// Printing the activity log onto a PDF: page count, title and line positions
// read back from the PDF's page streams.
#include "app/print_layout.h"
#include "app/ui/log_commands.h"
#include "core/activity_log.h"

#include <QFile>
#include <QLocale>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct TextOrigin {
    double x;
    double y;  // device pixels, downwards: the baseline of the text
};

// Qt's PDF writer stores each page's drawing as one Flate stream in which
// every drawn text starts with "1 0 0 -1 0 0 Tm" followed by "x -y Td" in
// device pixels. Streams of fonts carry /Length1 or /Subtype and are skipped.
QList<QList<TextOrigin>> PageTexts(const QByteArray& pdf)
{
    QList<QList<TextOrigin>> pages;
    static const QRegularExpression streamRe(QStringLiteral("<<([^>]*)>>\\s*stream\\r?\\n"));
    static const QRegularExpression originRe(QStringLiteral("1 0 0 -1 0 0 Tm\\s+(-?[0-9.]+) (-?[0-9.]+) Td"));
    const QString text = QString::fromLatin1(pdf);
    auto it = streamRe.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        const QString dict = m.captured(1);
        if (!dict.contains(QStringLiteral("FlateDecode")) || dict.contains(QStringLiteral("Length1"))
            || dict.contains(QStringLiteral("Subtype")))
            continue;
        const qsizetype start = m.capturedEnd();
        const qsizetype end = pdf.indexOf("endstream", start);
        QByteArray framed(4, '\0');
        const quint32 guess = 16u * 1024 * 1024;  // qUncompress wants a size in front
        framed[0] = char(guess >> 24);
        framed[1] = char(guess >> 16);
        framed[2] = char(guess >> 8);
        framed[3] = char(guess);
        const QString content = QString::fromLatin1(qUncompress(framed + pdf.mid(start, end - start)));
        QList<TextOrigin> origins;
        auto o = originRe.globalMatch(content);
        while (o.hasNext()) {
            const auto om = o.next();
            origins.append({om.captured(1).toDouble(), -om.captured(2).toDouble()});
        }
        pages.append(origins);
    }
    return pages;
}

int CountPageObjects(const QByteArray& pdf)
{
    static const QRegularExpression pageRe(QStringLiteral("/Type\\s*/Page[^s]"));
    return int(QString::fromLatin1(pdf).count(pageRe));
}

QStringList NumberedLines(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("Sent: 68 0B 0B 53 FE %1 ").arg(i);
    return lines;
}

struct Printed {
    int reportedPages = 0;
    int width = 0;
    int height = 0;
    QByteArray pdf;
};

Printed PrintToPdf(const QStringList& lines, int dpi = 300)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.pdf"));
    Printed out;
    {
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(dpi);
        out.width = writer.width();
        out.height = writer.height();
        out.reportedPages = PrintLogTo(&writer, lines, QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
    }
    QFile f(path);
    if (f.open(QIODevice::ReadOnly))
        out.pdf = f.readAll();
    return out;
}

}  // namespace

class TestLogPrint : public QObject {
    Q_OBJECT
private slots:
    void pages_data();
    void pages();
    void positions();
    void linesStayOnThePage();
    void longLineWrapsWithAnIndent();
    void titleUsesTheSystemFormats();
    void printedToAFileALogWithKeysIsPrivate_data();
    void printedToAFileALogWithKeysIsPrivate();
};

void TestLogPrint::pages_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<QList<int>>("textsPerPage");  // title included
    QTest::newRow("empty log") << 0 << QList<int>{1};
    QTest::newRow("35 lines") << 35 << QList<int>{36};
    QTest::newRow("36 lines") << 36 << QList<int>{37, 1};
    QTest::newRow("37 lines") << 37 << QList<int>{37, 2};
    QTest::newRow("71 lines") << 71 << QList<int>{37, 36, 1};
}

void TestLogPrint::pages()
{
    QFETCH(int, lines);
    QFETCH(QList<int>, textsPerPage);
    const Printed printed = PrintToPdf(NumberedLines(lines));
    QCOMPARE(printed.reportedPages, textsPerPage.size());
    QCOMPARE(CountPageObjects(printed.pdf), textsPerPage.size());
    const auto pages = PageTexts(printed.pdf);
    QCOMPARE(pages.size(), textsPerPage.size());
    for (int p = 0; p < pages.size(); ++p)
        QCOMPARE(pages[p].size(), textsPerPage[p]);
}

void TestLogPrint::positions()
{
    const Printed printed = PrintToPdf(NumberedLines(37));
    const auto pages = PageTexts(printed.pdf);
    QCOMPARE(pages.size(), 2);
    const PrintGeometry g = ComputePrintGeometry(printed.width, printed.height);
    QVERIFY(g.mmX > 0 && g.mmY > 0);

    const QList<TextOrigin>& first = pages[0];
    // Title and lines all start 22 mm from the left.
    for (const TextOrigin& o : first)
        QCOMPARE(qRound(o.x), g.left);
    // The title's top is at 20 mm and slot 0's at 30 mm: baselines 10 mm apart.
    const double ascentPlusTitle = first[0].y;
    QVERIFY(ascentPlusTitle >= g.titleY);
    QCOMPARE(qRound(first[1].y - first[0].y), g.firstLineY - g.titleY);
    // Double spacing: one constant step, twice the line height.
    const double step = first[2].y - first[1].y;
    QVERIFY(step > 0);
    for (int slot = 1; slot <= 35; ++slot)
        QCOMPARE(qRound(first[slot + 1].y - first[1].y), qRound(slot * step));
    // The lowest line ends on the page.
    QVERIFY(first[36].y + step / 2 <= printed.height);

    // Second page: the title again, then line 36 in slot 1.
    const QList<TextOrigin>& second = pages[1];
    QCOMPARE(qRound(second[0].y), qRound(first[0].y));
    QCOMPARE(qRound(second[1].y), qRound(first[2].y));
    QCOMPARE(qRound(second[1].x), g.left);
}

void TestLogPrint::linesStayOnThePage()
{
    // A low resolution and a large default font: the font is made smaller so
    // that all 36 slots of the first page stay inside it.
    QFont big = qApp->font();
    const QFont saved = big;
    big.setPointSize(30);
    qApp->setFont(big);
    const Printed printed = PrintToPdf(NumberedLines(36), 72);
    qApp->setFont(saved);
    const auto pages = PageTexts(printed.pdf);
    QCOMPARE(pages.size(), 2);
    QCOMPARE(pages[0].size(), 37);
    QVERIFY(pages[0].last().y <= printed.height);
}

// Fails when a line wider than the page is printed whole (cut at its edge) or goes on at the margin.
void TestLogPrint::longLineWrapsWithAnIndent()
{
    const Printed printed = PrintToPdf({QStringLiteral("Sent: ") + QStringLiteral("68 0B ").repeated(120), "next"});
    const PrintGeometry g = ComputePrintGeometry(printed.width, printed.height);
    const QList<TextOrigin> texts = PageTexts(printed.pdf).value(0);
    QVERIFY(texts.size() >= 5);  // title, the line on three or more, the next line
    for (int i = 1; i < texts.size(); ++i)
        QCOMPARE(qRound(texts[i].x), i == 1 || i == texts.size() - 1 ? g.left : g.left + g.indent);
}

void TestLogPrint::titleUsesTheSystemFormats()
{
    const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
    const QLocale locale = QLocale::system();
    QCOMPARE(PrintTitleText(when),
             QStringLiteral("Print of log file ") + locale.toString(when.date(), QLocale::ShortFormat)
                 + QStringLiteral(", ") + locale.toString(when.time(), QLocale::LongFormat));
    QVERIFY(PrintTitleText(when).contains(QStringLiteral("06")));
}

// Faults: "Print to File" of a log that shows a key leaves a PDF readable by
// every account (new, or replacing a shared file); a log without keys made
// private; a file that cannot be written is reported as printed.
void TestLogPrint::printedToAFileALogWithKeysIsPrivate_data()
{
    QTest::addColumn<bool>("key");
    QTest::addColumn<int>("existing");  // mode of a file replaced, -1 for none
    QTest::addColumn<int>("expected");  // mode of the PDF, -1 when none may exist
    QTest::newRow("key, new file") << true << -1 << 0600;
    QTest::newRow("key, replacing 0644") << true << 0644 << 0600;
    QTest::newRow("no key, new file") << false << -1 << 0644;
    QTest::newRow("key, missing folder") << true << -2 << -1;
}

void TestLogPrint::printedToAFileALogWithKeysIsPrivate()
{
    QFETCH(bool, key);
    QFETCH(int, existing);
    QFETCH(int, expected);
    const mode_t umaskBefore = ::umask(022);
    QTemporaryDir dir;
    const QString path = dir.filePath(existing == -2 ? QStringLiteral("gone/log.pdf") : QStringLiteral("log.pdf"));
    if (existing >= 0) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && ::chmod(QFile::encodeName(path), mode_t(existing)) == 0);
    }
    ActivityLog log;
    log.append(QStringLiteral("Sent: 68 "), key ? ActivityLog::Content::Key : ActivityLog::Content::Plain);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    QCOMPARE(PrintLog(printer, log, QDateTime::currentDateTime()), expected >= 0);
    QCOMPARE(log.lineCount(), expected >= 0 ? 1 : 2);
    struct stat st {};
    const bool exists = ::stat(QFile::encodeName(path), &st) == 0;
    QCOMPARE(exists ? int(st.st_mode & 0777) : -1, expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), exists ? 1 : 0);
    ::umask(umaskBefore);
}

QTEST_MAIN(TestLogPrint)
#include "tst_log_print.moc"
