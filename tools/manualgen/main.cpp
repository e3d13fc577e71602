// Turns a user manual written in Markdown into a PDF (A4) at build time.
//   zelk-manualgen <manual.md> <output.pdf> <document title>
// Runs without a display: it asks Qt for the offscreen platform unless one
// is chosen already. The PDF is written beside its target and moved into
// place only when complete, so an interrupted build leaves no broken manual.
#include <QFile>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: zelk-manualgen <manual.md> <output.pdf> <title>\n");
        return 2;
    }

    QFile input(args[1]);
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "zelk-manualgen: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    const QString markdown = QString::fromUtf8(input.readAll());

    QSaveFile output(args[2]);
    if (!output.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "zelk-manualgen: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    {
        QPdfWriter writer(&output);
        writer.setTitle(args[3]);
        writer.setCreator(QStringLiteral("ZELK Metering"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 16, 18, 16),
                                         QPageLayout::Millimeter));

        QTextDocument document;
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(10);
        document.setDefaultFont(font);
        document.setDefaultStyleSheet(QStringLiteral("table { border-collapse: collapse; }"));
        document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
        document.setMetaInformation(QTextDocument::DocumentTitle, args[3]);
        document.print(&writer);
    }
    if (!output.commit()) {
        std::fprintf(stderr, "zelk-manualgen: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
