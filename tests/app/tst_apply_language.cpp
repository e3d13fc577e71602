// Language switching on a window built with the main window's object names.
#include "app/language_texts.h"
#include "app/ui/apply_language.h"
#include "table/meter_table.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

namespace {

// The named controls with the captions the real window is built with.
struct FakeWindow {
    QMainWindow window;
    QLineEdit* currentId = nullptr;
    QAction* english = nullptr;
    QAction* italian = nullptr;

    FakeWindow()
    {
        auto* central = new QWidget(&window);
        window.setCentralWidget(central);
        auto button = [central](const char* name, const char* text) {
            auto* b = new QPushButton(QString::fromLatin1(text), central);
            b->setObjectName(QLatin1String(name));
        };
        auto* label = new QLabel(QStringLiteral("Resp. timeout"), central);
        label->setObjectName(QStringLiteral("Label8"));
        button("Butt_clear_grid", "Clear table");
        button("Butt_load_data", "Load");
        button("Butt_save_data", "Export");
        button("BitBtn7", "Print log");
        button("BitBtn6", "Save log");
        button("BitBtn5", "Clear log");
        currentId = new QLineEdit(QStringLiteral("01020304"), central);
        currentId->setObjectName(QStringLiteral("Edit_currentID"));

        auto menu = [this](const char* name, const char* title) {
            QMenu* m = window.menuBar()->addMenu(QString::fromLatin1(title));
            m->setObjectName(QLatin1String(name));
            return m;
        };
        auto item = [](QMenu* m, const char* name, const char* text) {
            QAction* a = m->addAction(QString::fromLatin1(text));
            a->setObjectName(QLatin1String(name));
            return a;
        };
        QMenu* file = menu("File1", "File");
        item(file, "Open1", "Open");
        item(file, "Save1", "Save");
        item(file, "ImportKeys1", "Import keys...");
        item(file, "Exit1", "Exit");
        QMenu* language = menu("Language1", "Language");
        english = item(language, "English1", "English");
        italian = item(language, "Italian1", "Italian");
        english->setCheckable(true);
        italian->setCheckable(true);
        english->setChecked(true);
        QMenu* help = menu("Help1", "Help");
        item(help, "About1", "About");
        item(help, "UserManual1", "User Manual");
    }

    // Every caption the language tables may touch, plus a few they must not.
    QStringList captions() const
    {
        QStringList out;
        for (auto* b : window.findChildren<QPushButton*>())
            out << b->objectName() + QLatin1Char('=') + b->text();
        for (auto* l : window.findChildren<QLabel*>())
            out << l->objectName() + QLatin1Char('=') + l->text();
        // Menus as shown: the mnemonic mark ("&") is drawn as an underline.
        for (auto* m : window.findChildren<QMenu*>())
            out << m->objectName() + QLatin1Char('=') + m->title().remove(QLatin1Char('&'));
        for (auto* a : window.findChildren<QAction*>())
            if (!a->objectName().isEmpty())
                out << a->objectName() + QLatin1Char('=') + a->text().remove(QLatin1Char('&'))
                        + (a->isChecked() ? "*" : "");
        out << currentId->text();
        out.sort();
        return out;
    }

    QString textOf(const char* name) const
    {
        QObject* o = window.findChild<QObject*>(QLatin1String(name));
        if (auto* b = qobject_cast<QPushButton*>(o))
            return b->text();
        if (auto* l = qobject_cast<QLabel*>(o))
            return l->text();
        if (auto* m = qobject_cast<QMenu*>(o))
            return m->title().remove(QLatin1Char('&'));
        if (auto* a = qobject_cast<QAction*>(o))
            return a->text().remove(QLatin1Char('&'));
        return QStringLiteral("<missing>");
    }
};

QStringList Header(const MeterTable& table)
{
    QStringList out;
    for (int c = 0; c < MeterTable::kColumns; ++c)
        out << table.cell(c, 0);
    return out;
}

}  // namespace

class TestApplyLanguage : public QObject {
    Q_OBJECT
private slots:
    void italianTexts();
    void englishForEveryOtherCode_data();
    void englishForEveryOtherCode();
    void italianAndBackRestoresTheStart();
};

void TestApplyLanguage::italianTexts()
{
    FakeWindow w;
    MeterTable table;
    ApplyLanguageTexts(&w.window, table, kLanguageItalian);
    const std::pair<const char*, const char*> expected[] = {
        {"Label8", "Timeout risposte"},
        {"Butt_clear_grid", "Cancella tabella"},
        {"Butt_load_data", "Carica"},
        {"Butt_save_data", "Salva / Esporta"},
        {"BitBtn7", "Stampa log"},
        {"BitBtn6", "Salva log"},
        {"BitBtn5", "Cancella log"},
        {"File1", "File"},
        {"Open1", "Apri"},
        {"Save1", "Salva"},
        {"ImportKeys1", "Importa chiavi..."},
        {"Exit1", "Esci"},
        {"Language1", "Lingua"},
        {"Help1", "Aiuto"},
        {"About1", "Info"},
        {"UserManual1", "Manuale Utente"},
    };
    for (const auto& [name, text] : expected)
        QCOMPARE(w.textOf(name), QString::fromUtf8(text));
    // The language items keep their own captions and their marks.
    QCOMPARE(w.english->text(), QStringLiteral("English"));
    QCOMPARE(w.italian->text(), QStringLiteral("Italian"));
    QVERIFY(w.english->isChecked());
    QVERIFY(!w.italian->isChecked());
    QCOMPARE(Header(table), (QStringList{"No. ", "Serial/ID ", "Medium ", "AES-128 key ", "Notes "}));
}

void TestApplyLanguage::englishForEveryOtherCode_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("1") << 1;
    QTest::newRow("0") << 0;
    QTest::newRow("3") << 3;
    QTest::newRow("255") << 255;
    QTest::newRow("258") << 258;  // only the settings reader keeps the low 8 bits
}

void TestApplyLanguage::englishForEveryOtherCode()
{
    QFETCH(int, code);
    FakeWindow w;
    MeterTable table;
    const QStringList start = w.captions();
    ApplyLanguageTexts(&w.window, table, kLanguageItalian);
    ApplyLanguageTexts(&w.window, table, code);
    QCOMPARE(w.captions(), start);
}

void TestApplyLanguage::italianAndBackRestoresTheStart()
{
    FakeWindow w;
    MeterTable table;
    table.setRowCount(3);
    table.setCell(MeterTable::ColSerial, 1, QStringLiteral("12345678"));
    table.setCell(MeterTable::ColKey, 2, QStringLiteral("00112233445566778899AABBCCDDEEFF"));
    table.setHeader({"x", "y", "z", "u", "v"});  // applying puts the header back
    const auto rowsBefore = std::vector<MeterTable::Row>(table.rows().begin() + 1, table.rows().end());
    const QStringList start = w.captions();

    ApplyLanguageTexts(&w.window, table, kLanguageItalian);
    QVERIFY(w.captions() != start);
    ApplyLanguageTexts(&w.window, table, kLanguageEnglish);
    QCOMPARE(w.captions(), start);
    QCOMPARE(Header(table), MeterTableHeaderTexts(kLanguageEnglish));
    const auto rowsAfter = std::vector<MeterTable::Row>(table.rows().begin() + 1, table.rows().end());
    QVERIFY(rowsAfter == rowsBefore);
    QCOMPARE(w.currentId->text(), QStringLiteral("01020304"));
}

QTEST_MAIN(TestApplyLanguage)
#include "tst_apply_language.moc"
