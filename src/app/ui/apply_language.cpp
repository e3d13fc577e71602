#include "app/ui/apply_language.h"

#include "app/language_texts.h"
#include "table/meter_table.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QWidget>

namespace {

void SetWidgetText(QWidget* root, const char* name, const QString& text)
{
    QObject* object = root->findChild<QObject*>(QLatin1String(name));
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(object))
        label->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(object))
        group->setTitle(text);
}

void SetMenuTitle(QWidget* root, const char* name, const QString& text)
{
    if (auto* menu = root->findChild<QMenu*>(QLatin1String(name)))
        menu->setTitle(text);
}

void SetActionText(QWidget* root, const char* name, const QString& text)
{
    // A menu item may be a child of the window, of its menu bar or of its menu.
    if (auto* action = root->findChild<QAction*>(QLatin1String(name)))
        action->setText(text);
}

}  // namespace

void ApplyLanguageTexts(QWidget* mainWindow, MeterTable& table, int code)
{
    QStringList header;
    for (const LanguageText& entry : LanguageTextTable()) {
        const QString text = entry.controlText(code);
        switch (entry.target) {
        case LanguageText::Target::HeaderCell: header.append(text); break;
        case LanguageText::Target::Widget: SetWidgetText(mainWindow, entry.objectName, text); break;
        case LanguageText::Target::MenuTitle: SetMenuTitle(mainWindow, entry.objectName, text); break;
        case LanguageText::Target::Action: SetActionText(mainWindow, entry.objectName, text); break;
        case LanguageText::Target::Text: break;
        }
        // The header row is complete after its last column.
        if (entry.target == LanguageText::Target::HeaderCell && header.size() == MeterTable::kColumns)
            table.setHeader(header);
    }
}
