#include "app/ui/log_commands.h"

#include "app/log_file.h"
#include "app/print_layout.h"
#include "core/activity_log.h"
#include "widgets/file_dialog_fit.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

void SaveLogWithDialog(QWidget* parent, ActivityLog& log, const QString& settingsDir)
{
    // The start name is the folder immediately followed by "log.txt".
    const QString start = settingsDir + QStringLiteral("log.txt");
    QFileDialog dialog(parent, QStringLiteral("Save log"), start, QStringLiteral("Text Files (*.txt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    FitFileDialog(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SaveActivityLog(log, dialog.selectedFiles().first());
}

void PrintLogWithDialog(QWidget* parent, ActivityLog& log)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintLog(printer, log, QDateTime::currentDateTime());
}

bool PrintLog(QPrinter& printer, ActivityLog& log, const QDateTime& now)
{
    const QString target = printer.outputFileName();
    if (target.isEmpty())
        return PrintLogTo(&printer, log.lines(), now) > 0;
    // The printer writes beside the chosen name; that file takes the name
    // only once the printing has finished.
    const bool ok = PrintToPdfFile(log, target, [&](const QString& path) {
        printer.setOutputFileName(path);
        return PrintLogTo(&printer, log.lines(), now) > 0;
    });
    printer.setOutputFileName(target);
    return ok;
}

QString PrintTitleText(const QDateTime& now)
{
    const QLocale locale = QLocale::system();
    return QStringLiteral("Print of log file ") + locale.toString(now.date(), QLocale::ShortFormat)
        + QStringLiteral(", ") + locale.toString(now.time(), QLocale::LongFormat);
}

int PrintLogTo(QPagedPaintDevice* device, const QStringList& lines, const QDateTime& now)
{
    if (!device)
        return 0;
    QPainter painter;
    if (!painter.begin(device))
        return 0;

    const PrintGeometry geometry = ComputePrintGeometry(device->width(), device->height());
    // The device's own font, made smaller only when 36 double-spaced lines
    // would not fit on the page (they would be cut off at the bottom).
    QFont font = painter.font();
    const int maxHeight = MaxLineHeightForPage(geometry, device->height());
    while (QFontMetrics(font, device).height() > maxHeight) {
        if (font.pointSizeF() > 1.0)
            font.setPointSizeF(font.pointSizeF() * 0.9);
        else if (font.pixelSize() > 1)
            font.setPixelSize(font.pixelSize() * 9 / 10);
        else
            break;
    }
    painter.setFont(font);
    const QFontMetrics metrics(font, device);

    // Lines wider than the page go on in indented lines below, so that every
    // byte is on paper.
    QStringList printed;
    std::vector<bool> continued;
    const auto width = [&metrics](const QString& text) { return metrics.horizontalAdvance(text); };
    for (const QString& line : lines) {
        const QStringList pieces = WrapPrintLine(line, geometry, width);
        for (int i = 0; i < pieces.size(); ++i) {
            printed << pieces[i];
            continued.push_back(i > 0);
        }
    }
    const PrintPlan plan = PlanLogPrint(int(printed.size()), metrics.height(), geometry);
    const QString title = PrintTitleText(now);
    auto drawTop = [&](int x, int y, const QString& text) { painter.drawText(QPoint(x, y + metrics.ascent()), text); };

    drawTop(geometry.left, geometry.titleY, title);
    int page = 0;
    for (const PlacedLine& placed : plan.lines) {
        if (placed.page != page) {
            device->newPage();
            page = placed.page;
            drawTop(geometry.left, geometry.titleY, title);
        }
        drawTop(placed.x + (continued[size_t(placed.index)] ? geometry.indent : 0), placed.y, printed[placed.index]);
    }
    // A last line on the step opens a page that holds only its title.
    while (page + 1 < plan.pageCount) {
        device->newPage();
        ++page;
        drawTop(geometry.left, geometry.titleY, title);
    }
    // A writer that could not finish (a full disk) ends badly: nothing printed.
    return painter.end() ? plan.pageCount : 0;
}
