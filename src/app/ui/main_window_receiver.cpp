// The Receiver menu: "Compare with ZELK..." and the line its dialog holds.
#include "app/language_texts.h"
#include "app/ui/compare_dialog.h"
#include "app/ui/main_window.h"
#include "app/ui/named_widget.h"
#include "app/ui/window_bindings.h"
#include "operations/line_guard.h"
#include "serial/connection.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

void TForm11::buildReceiverMenu()
{
    const auto text = [](const char* name) { return LanguageTextFor(QLatin1String(name), kLanguageEnglish); };
    Receiver1 = named(menuBar()->addMenu(text("Receiver1")), "Receiver1");
    CompareZelk1 = named(Receiver1->addAction(text("CompareZelk1")), "CompareZelk1");
    CompareZelk1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
}

void TForm11::openCompareDialog()
{
    const int language = Italian1->isChecked() ? kLanguageItalian : kLanguageEnglish;
    // A dialog that works, or is open, stays; a closed one is made anew so
    // that it takes the current language.
    if (compareDialog_ && !compareDialog_->busy() && !compareDialog_->isVisible())
        delete compareDialog_;
    if (!compareDialog_) {
        compareDialog_ = new CompareDialog(*lineGuard_, *bindings_, table_, log_, language, this);
        compareDialog_->show();
        // The dialog shows before it starts reading.
        QMetaObject::invokeMethod(compareDialog_, &CompareDialog::compare, Qt::QueuedConnection);
        return;
    }
    compareDialog_->show();
    compareDialog_->raise();
    compareDialog_->activateWindow();
}

bool TForm11::deliverToLineTaker(int count)
{
    if (!lineGuard_->taken())
        return false;
    QByteArray bytes(std::clamp(count, 1024, 1 << 16), '\0');
    bytes.resize(std::max(connection_->ReadBytes(bytes.data(), int(bytes.size())), 0));
    lineGuard_->deliver(bytes);
    return true;
}
