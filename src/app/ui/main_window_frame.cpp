// Builds what surrounds the main window's controls: the menus, the activity
// log with its buttons and the status bar, and puts the controls above the
// log into their scroll area.
#include "app/language_texts.h"
#include "app/ui/controls_scroll_area.h"
#include "app/ui/log_panel.h"
#include "app/ui/main_window.h"
#include "app/ui/named_widget.h"
#include "app/ui/status_panel.h"
#include "widgets/font_units.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

void TForm11::buildMenus()
{
    // Built with the English texts of the language table, mnemonics included.
    const auto text = [](const char* name) { return LanguageTextFor(QLatin1String(name), kLanguageEnglish); };
    File1 = named(menuBar()->addMenu(text("File1")), "File1");
    Open1 = named(File1->addAction(text("Open1")), "Open1");
    Save1 = named(File1->addAction(text("Save1")), "Save1");
    ImportKeys1 = named(File1->addAction(text("ImportKeys1")), "ImportKeys1");
    ImportKeys1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    Exit1 = named(File1->addAction(text("Exit1")), "Exit1");
    Language1 = named(menuBar()->addMenu(text("Language1")), "Language1");
    // The two language items keep their captions in both languages.
    English1 = named(Language1->addAction(QStringLiteral("&English")), "English1");
    Italian1 = named(Language1->addAction(QStringLiteral("&Italian")), "Italian1");
    English1->setCheckable(true);
    Italian1->setCheckable(true);
    buildReceiverMenu();
    Help1 = named(menuBar()->addMenu(text("Help1")), "Help1");
    About1 = named(Help1->addAction(text("About1")), "About1");
    UserManual1 = named(Help1->addAction(text("UserManual1")), "UserManual1");
}

QWidget* TForm11::buildLogArea()
{
    auto* area = new QWidget;
    auto* v = new QVBoxLayout(area);
    v->setContentsMargins(0, 0, 0, 0);
    BitBtn7 = named(new QPushButton(QStringLiteral("Print log"), area), "BitBtn7");
    BitBtn6 = named(new QPushButton(QStringLiteral("Save log"), area), "BitBtn6");
    BitBtn5 = named(new QPushButton(QStringLiteral("Clear log"), area), "BitBtn5");
    v->addLayout(buttonRow({BitBtn7, BitBtn6}, BitBtn5));

    Memo_current = named(new LogPanel(area), "Memo_current");
    Memo_current->setAccessibleName(QStringLiteral("Activity log"));
    v->addWidget(Memo_current, 1);
    return area;
}

void TForm11::buildStatusBar()
{
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    // Panel widths (150, 400, 50) follow the font; the connection panel
    // widens to its text. The two empty panels take their widths only where
    // the bar has room, so on a narrow screen they give way first.
    StatusPanel0 = named(new StatusPanel(150, statusBar()), "StatusPanel0");
    statusBar()->addWidget(StatusPanel0);
    for (const auto& [name, designWidth] : {std::pair{"StatusPanel1", 400}, std::pair{"StatusPanel2", 50}}) {
        auto* panel = named(new QLabel(statusBar()), name);
        panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        panel->setMaximumWidth(FontScaled(panel->font(), designWidth));
        statusBar()->addWidget(panel, 1);
    }
}

void TForm11::buildControls()
{
    buildMenus();
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    // Everything above the log scrolls when the screen is too small for the
    // window (see placeOnScreen); the log and the status bar stay in view.
    auto* controls = new QWidget;
    auto* upper = new QVBoxLayout(controls);
    upper->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    top->addWidget(buildCommunicationGroup(), 1);
    top->addWidget(buildGlobalGroup(), 1);
    upper->addLayout(top);
    upper->addWidget(buildMeterTab(), 1);
    ScrollBox_controls = named(new ControlsScrollArea(controls, central), "ScrollBox_controls");
    // 5:2 gives the table and the log the heights they had beside each
    // other at the design size, the top groups included in the 5.
    v->addWidget(ScrollBox_controls, 5);
    v->addWidget(buildLogArea(), 2);
    setCentralWidget(central);
    buildStatusBar();
}
