#include "widgets/file_dialog_fit.h"

#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QMimeDatabase>
#include <QScreen>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

namespace {

constexpr int kNameColumn = 0;
constexpr int kDateColumn = 3;

// What the Size, Type and Date columns show for the files these dialogs
// list: sizes of four digits with their unit, the types of CSV files, text
// files and folders, a date and time with two-digit fields.
QStringList SampleTexts(int column)
{
    const QLocale locale = QLocale::system();
    if (column == 1) {
        return {locale.formattedDataSize(1023), locale.formattedDataSize(1023 * 1024 + 1013),
                locale.formattedDataSize(qint64(1023 * 1024 + 1013) * 1024)};
    }
    if (column == 2) {
        const QMimeDatabase types;
        return {types.mimeTypeForName(QStringLiteral("text/csv")).comment(),
                types.mimeTypeForName(QStringLiteral("text/plain")).comment(), QStringLiteral("Folder")};
    }
    return {locale.toString(QDateTime(QDate(2028, 12, 28), QTime(23, 58, 58)), QLocale::ShortFormat)};
}

// Width column `column` of `tree` needs for its heading and its samples.
int ColumnWidth(const QTreeView* tree, int column)
{
    const QFontMetrics metrics = tree->fontMetrics();
    // Item text is inset by the focus frame margin and one pixel on each side.
    const int inset = 2 * (tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1) + 1;
    int width = tree->header()->sectionSizeHint(column);
    for (const QString& text : SampleTexts(column))
        width = std::max(width, metrics.horizontalAdvance(text) + inset);
    return width;
}

// Widens the dialog once it is laid out, just before it appears.
class FitOnShow : public QObject {
public:
    FitOnShow(QFileDialog* dialog, QWidget* window) : QObject(dialog), dialog_(dialog), window_(window)
    {
        dialog->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == dialog_ && event->type() == QEvent::Show) {
            dialog_->removeEventFilter(this);
            fit();
        }
        return false;
    }

private:
    void fit()
    {
        auto* tree = dialog_->findChild<QTreeView*>(QStringLiteral("treeView"));
        if (!tree)
            return;
        QHeaderView* header = tree->header();
        // The name keeps its width; Size, Type and Date get their texts' widths.
        int wanted = header->sectionSize(kNameColumn);
        for (int c = kNameColumn + 1; c <= kDateColumn && c < header->count(); ++c) {
            header->resizeSection(c, ColumnWidth(tree, c));
            wanted += header->sectionSize(c);
        }
        const QRect area = (window_ ? window_->screen() : dialog_->screen())->availableGeometry();
        const QSize frame = dialog_->frameGeometry().size() - dialog_->size();
        const int width = std::min(dialog_->width() + std::max(0, wanted - tree->viewport()->width()),
                                   area.width() - frame.width());
        dialog_->resize(width, dialog_->height());
        QRect outer(QPoint(), dialog_->size() + frame);
        outer.moveCenter(window_ ? window_->frameGeometry().center() : area.center());
        // Inside the area; a dialog larger than it keeps its title bar on it.
        outer.moveLeft(std::max(area.left(), std::min(outer.left(), area.right() + 1 - outer.width())));
        outer.moveTop(std::max(area.top(), std::min(outer.top(), area.bottom() + 1 - outer.height())));
        dialog_->move(outer.topLeft());
    }

    QFileDialog* dialog_;
    QWidget* window_;
};

}  // namespace

void FitFileDialog(QFileDialog* dialog, QWidget* window)
{
    new FitOnShow(dialog, window ? window->window() : nullptr);
}
