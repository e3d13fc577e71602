// Builds the main window's controls above the activity log. Every control
// carries the objectName of the window design; every labelled field is its
// label's buddy.
#include "app/ui/glyph_icons.h"
#include "app/ui/main_window.h"
#include "app/ui/named_widget.h"
#include "app/ui/up_down.h"
#include "core/settings.h"
#include "protocol/commands.h"
#include "protocol/medium.h"
#include "serial/line_settings.h"
#include "serial/vacomm.h"
#include "table/ui/meter_grid.h"
#include "widgets/font_units.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// A label that names `field` for the eye and for assistive technology.
QLabel* labelFor(QWidget* parent, const QString& text, QWidget* field)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    field->setAccessibleName(text.trimmed());
    return label;
}

QToolButton* glyphButton(QWidget* parent, const char* name, Glyph glyph, const QString& what)
{
    auto* b = named(new QToolButton(parent), name);
    // The glyph grows with the font like the fields beside it.
    const int size = FontScaled(b->font(), kGlyphDesignSize);
    b->setIcon(GlyphIcon(glyph, size));
    b->setIconSize(QSize(size, size));
    b->setToolTip(what);
    b->setAccessibleName(what);
    return b;
}

// A button captioned "Set" whose tooltip (and accessible description) tells
// it apart from the other "Set" buttons.
QPushButton* setButton(QWidget* parent, const char* name, const QString& what)
{
    auto* b = named(new QPushButton(QStringLiteral("Set"), parent), name);
    b->setToolTip(what);
    b->setAccessibleDescription(what);
    return b;
}

// `maxLength` limits fields without an input filter; the filtered fields get
// their limit from the filter, which cuts what is typed or pasted after
// removing the refused characters and leaves text the program writes (a
// longer ZELK ID from the settings file) as it is.
QLineEdit* lineEdit(QWidget* parent, const char* name, int maxLength, const QString& text = {})
{
    auto* e = named(new QLineEdit(text, parent), name);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

// A field or box of the design's fixed width, scaled to its font.
void fixedWidth(QWidget* w, int designPx)
{
    w->setFixedWidth(FontScaled(w->font(), designPx));
}

}  // namespace

QWidget* TForm11::buildCommunicationGroup()
{
    auto* box = named(new QGroupBox(QStringLiteral("   Communication settings   ")), "GroupBox_comm");
    auto* g = new QGridLayout(box);
    addPortControls(box, g);
    addExchangeControls(box, g);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
    return box;
}

// Rows 0 to 2: the port, its line settings and the connect button.
void TForm11::addPortControls(QGroupBox* box, QGridLayout* g)
{
    Combo_comName = named(new QComboBox(box), "Combo_comName");
    Combo_comName->setEditable(true);
    Combo_comName->addItems(PortNameList());
    Combo_speed = named(new QComboBox(box), "Combo_speed");
    Combo_speed->setEditable(true);
    Combo_speed->addItems(LineSpeedTexts());
    Combo_parity = named(new QComboBox(box), "Combo_parity");
    Combo_parity->setEditable(true);
    Combo_parity->addItems(ParityTexts());
    Combo_dataBits = named(new QComboBox(box), "Combo_dataBits");
    Combo_dataBits->addItems({"7", "8"});
    Check_rts = named(new QCheckBox(QStringLiteral("RTS"), box), "Check_rts");
    BitBtn22 = named(new QPushButton(QStringLiteral("Connect"), box), "BitBtn22");

    g->addWidget(labelFor(box, QStringLiteral("COM name"), Combo_comName), 0, 0);
    g->addWidget(Combo_comName, 0, 1);
    g->addWidget(labelFor(box, QStringLiteral("Speed"), Combo_speed), 0, 2);
    g->addWidget(Combo_speed, 0, 3);
    g->addWidget(labelFor(box, QStringLiteral("Parity"), Combo_parity), 1, 0);
    g->addWidget(Combo_parity, 1, 1);
    g->addWidget(labelFor(box, QStringLiteral("Data bits"), Combo_dataBits), 1, 2);
    g->addWidget(Combo_dataBits, 1, 3);
    g->addWidget(Check_rts, 2, 1);
    g->addWidget(BitBtn22, 2, 3);
}

// Rows 3 and 4: retries, separator, response timeout and the receiver's ID.
void TForm11::addExchangeControls(QGroupBox* box, QGridLayout* g)
{
    Edit_retry = lineEdit(box, "Edit_retry", 1);
    Edit_retry->setReadOnly(true);
    UD_retry_read = named(new UpDown(box), "UD_retry_read");
    UD_retry_read->setRange(kRetryMin, kRetryMax);
    UD_retry_read->setBuddyEdit(Edit_retry);
    Edit_export_separator = lineEdit(box, "Edit_export_separator", 0, QStringLiteral(";"));
    Edit_timeout = lineEdit(box, "Edit_timeout", 0);
    UD_timeout = named(new UpDown(box), "UD_timeout");
    UD_timeout->setRange(kTimeoutMin, kTimeoutMax);
    UD_timeout->setStep(10);
    UD_timeout->setBuddyEdit(Edit_timeout);
    Edit_currentID = lineEdit(box, "Edit_currentID", 0, QStringLiteral("01020304"));
    QFont bold = Edit_currentID->font();
    bold.setBold(true);
    Edit_currentID->setFont(bold);

    auto* retryRow = new QHBoxLayout;
    retryRow->setSpacing(1);
    retryRow->addWidget(Edit_retry);
    retryRow->addWidget(UD_retry_read);
    fixedWidth(Edit_retry, 30);
    g->addWidget(labelFor(box, QStringLiteral("Retry times:"), Edit_retry), 3, 0);
    g->addLayout(retryRow, 3, 1, Qt::AlignLeft);
    g->addWidget(labelFor(box, QStringLiteral("Import/Export separator:"), Edit_export_separator), 3, 2);
    fixedWidth(Edit_export_separator, 30);
    g->addWidget(Edit_export_separator, 3, 3, Qt::AlignLeft);

    // The timeout's caption and unit are part of the design but hidden; the
    // field still carries the caption as its accessible name.
    Label8 = named(labelFor(box, QStringLiteral("Resp. timeout"), Edit_timeout), "Label8");
    Label_ms = named(new QLabel(QStringLiteral("ms"), box), "Label_ms");
    Label8->hide();
    Label_ms->hide();
    fixedWidth(Edit_timeout, 60);
    Edit_timeout->setToolTip(QStringLiteral("Response timeout (ms)"));
    auto* timeoutRow = new QHBoxLayout;
    timeoutRow->setSpacing(1);
    timeoutRow->addWidget(Label8);
    timeoutRow->addWidget(Edit_timeout);
    timeoutRow->addWidget(UD_timeout);
    timeoutRow->addWidget(Label_ms);
    g->addLayout(timeoutRow, 4, 1, Qt::AlignLeft);

    g->addWidget(labelFor(box, QStringLiteral("Current RF-ZELK ID"), Edit_currentID), 4, 2);
    fixedWidth(Edit_currentID, 90);
    g->addWidget(Edit_currentID, 4, 3, Qt::AlignLeft);
}

QWidget* TForm11::buildGlobalGroup()
{
    auto* box = named(new QGroupBox(QStringLiteral("   Global DUV-ZELK2 settings   ")), "GroupBox_global");
    auto* g = new QGridLayout(box);

    Edit_ZELK_ID = lineEdit(box, "Edit_ZELK_ID", 0);
    QFont bold = Edit_ZELK_ID->font();
    bold.setBold(true);
    Edit_ZELK_ID->setFont(bold);
    fixedWidth(Edit_ZELK_ID, 90);
    Button6 = named(new QPushButton(QStringLiteral("Set new ID"), box), "Button6");
    BitBtn51 = named(new QPushButton(QStringLiteral("Get all meters from ZELK"), box), "BitBtn51");
    BitBtn52 = named(new QPushButton(QStringLiteral("Read status of RF-ZELK"), box), "BitBtn52");
    BitBtn53 = setButton(box, "BitBtn53", QStringLiteral("Read status"));
    Combo_wirelessMode = named(new QComboBox(box), "Combo_wirelessMode");
    Combo_wirelessMode->setEditable(true);
    Combo_wirelessMode->addItems(WirelessModeNames());
    Combo_wirelessMode->setCurrentIndex(-1);
    Combo_wirelessMode->setEditText(QString());
    Button8 = named(new QPushButton(QStringLiteral("Set wMode"), box), "Button8");
    Edit1 = lineEdit(box, "Edit1", 0, QStringLiteral("256"));
    fixedWidth(Edit1, 50);
    Check_onClock = named(new QCheckBox(QStringLiteral("On/Off"), box), "Check_onClock");
    BitBtn24 = setButton(box, "BitBtn24", QStringLiteral("Set clock adjustment"));
    BitBtn23 = named(new QPushButton(QStringLiteral("MASTER RESET"), box), "BitBtn23");
    QPalette red = BitBtn23->palette();
    red.setColor(QPalette::ButtonText, QColor(Qt::red));
    BitBtn23->setPalette(red);
    QFont boldButton = BitBtn23->font();
    boldButton.setBold(true);
    BitBtn23->setFont(boldButton);

    g->addWidget(labelFor(box, QStringLiteral("Enter new DUV-ZELK  ID "), Edit_ZELK_ID), 0, 0);
    g->addWidget(Edit_ZELK_ID, 0, 1, Qt::AlignLeft);
    g->addWidget(Button6, 0, 2);
    g->addWidget(BitBtn51, 1, 2);
    g->addWidget(BitBtn52, 2, 0, 1, 2);
    g->addWidget(BitBtn53, 2, 2);
    g->addWidget(labelFor(box, QStringLiteral("Wireless m-bus mode"), Combo_wirelessMode), 3, 0);
    g->addWidget(Combo_wirelessMode, 3, 1);
    g->addWidget(Button8, 3, 2);
    g->addWidget(labelFor(box, QStringLiteral("Clock adjust (0-511)"), Edit1), 4, 0);
    auto* clockRow = new QHBoxLayout;
    clockRow->addWidget(Edit1);
    clockRow->addWidget(Check_onClock);
    clockRow->addStretch();
    g->addLayout(clockRow, 4, 1);
    g->addWidget(BitBtn24, 4, 2);
    g->addWidget(BitBtn23, 5, 2);
    g->setColumnStretch(1, 1);
    return box;
}

QWidget* TForm11::buildSingleMeterGroup()
{
    auto* box = named(new QGroupBox(QStringLiteral("   ZUDozad single meter settings   ")), "GroupBox_single");
    auto* v = new QVBoxLayout(box);

    Edit_IDnano = lineEdit(box, "Edit_IDnano", 0);
    fixedWidth(Edit_IDnano, 90);
    BitBtn42 = glyphButton(box, "BitBtn42", Glyph::Add, QStringLiteral("Add meter ID"));
    BitBtn43 = glyphButton(box, "BitBtn43", Glyph::Delete, QStringLiteral("Delete meter ID"));
    Check_deleteAll = named(new QCheckBox(QStringLiteral("All"), box), "Check_deleteAll");
    v->addWidget(labelFor(box, QStringLiteral("Enter ID to add/delete"), Edit_IDnano));
    auto* idRow = new QHBoxLayout;
    idRow->addWidget(Edit_IDnano);
    idRow->addWidget(BitBtn42);
    idRow->addWidget(BitBtn43);
    idRow->addWidget(Check_deleteAll);
    idRow->addStretch();
    v->addLayout(idRow);

    Edit_aesKey = lineEdit(box, "Edit_aesKey", 0);
    // The key field shows all 32 digits of a key.
    Edit_aesKey->setMinimumWidth(
        std::max(FontScaled(Edit_aesKey->font(), 260), HexDigitsWidth(Edit_aesKey->fontMetrics(), 32) + 12));
    Butt_setAES = glyphButton(box, "Butt_setAES", Glyph::KeyIn, QStringLiteral("Set AES key"));
    Butt_readAES = glyphButton(box, "Butt_readAES", Glyph::KeyOut, QStringLiteral("Read AES key"));
    auto* keyLabel = labelFor(box, QStringLiteral("Set/Read 16-byte AES-128 key (32 symbols from 0 to F, no spaces)"),
                              Edit_aesKey);
    keyLabel->setWordWrap(true);
    v->addWidget(keyLabel);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(Edit_aesKey, 1);
    keyRow->addWidget(Butt_setAES);
    keyRow->addWidget(Butt_readAES);
    v->addLayout(keyRow);

    Combo_medium = named(new QComboBox(box), "Combo_medium");
    Combo_medium->setEditable(true);
    Combo_medium->addItems(MediumBoxNames());
    Combo_medium->setCurrentIndex(-1);
    Combo_medium->setEditText(QString());
    BitBtn19 = setButton(box, "BitBtn19", QStringLiteral("Set medium"));
    v->addWidget(labelFor(box, QStringLiteral("Set new Medium for this ID"), Combo_medium));
    auto* mediumRow = new QHBoxLayout;
    mediumRow->addWidget(Combo_medium, 1);
    mediumRow->addWidget(BitBtn19);
    v->addLayout(mediumRow);

    Check_nanoFlag = named(new QCheckBox(QStringLiteral("Set/Clear Flag"), box), "Check_nanoFlag");
    Combo_qorFlags = named(new QComboBox(box), "Combo_qorFlags");
    Combo_qorFlags->setEditable(true);
    Combo_qorFlags->addItems(ReceiverFlagNames());
    Combo_qorFlags->setCurrentIndex(-1);
    Combo_qorFlags->setEditText(QString());
    Combo_qorFlags->setAccessibleName(QStringLiteral("Receiver flag"));
    BitBtn44 = glyphButton(box, "BitBtn44", Glyph::Flag, QStringLiteral("Set or clear flag"));
    v->addWidget(Check_nanoFlag);
    auto* flagRow = new QHBoxLayout;
    flagRow->addWidget(Combo_qorFlags, 1);
    flagRow->addWidget(BitBtn44);
    v->addLayout(flagRow);

    Butt_stop = named(new QPushButton(QStringLiteral("Stop programming"), box), "Butt_stop");
    ProgressBar1 = named(new QProgressBar(box), "ProgressBar1");
    ProgressBar1->setMinimum(0);
    ProgressBar1->setTextVisible(false);
    Butt_stop->hide();
    ProgressBar1->hide();
    v->addStretch();
    v->addWidget(Butt_stop);
    v->addWidget(ProgressBar1);
    const int boxWidth = std::max(FontScaled(box->font(), 400), box->sizeHint().width());
    box->setFixedWidth(boxWidth);
    // The wrapped key caption keeps every line, whatever the height the
    // window leaves the tab (the margins are taken generously).
    keyLabel->setMinimumHeight(keyLabel->heightForWidth(boxWidth - 48));
    return box;
}

QWidget* TForm11::buildMeterTab()
{
    auto* page = named(new QWidget, "TabSheet1");
    auto* h = new QHBoxLayout(page);
    h->addWidget(buildSingleMeterGroup());

    auto* right = new QVBoxLayout;
    StringGrid1 = new MeterGrid(table_, page);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setAccessibleName(QStringLiteral("Meter table"));
    StringGrid1->setMediumNames(MediumCodeNames() + MediumBoxNames());
    right->addWidget(StringGrid1, 1);
    Butt_load_data = named(new QPushButton(QStringLiteral("Load"), page), "Butt_load_data");
    Butt_save_data = named(new QPushButton(QStringLiteral("Export"), page), "Butt_save_data");
    Butt_clear_grid = named(new QPushButton(QStringLiteral("Clear table"), page), "Butt_clear_grid");
    right->addLayout(buttonRow({Butt_load_data, Butt_save_data}, Butt_clear_grid));
    h->addLayout(right, 1);

    PageControl1 = named(new QTabWidget, "PageControl1");
    PageControl1->addTab(page, QStringLiteral("   M-bus devices    "));
    return PageControl1;
}
