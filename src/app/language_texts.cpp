#include "app/language_texts.h"

QString LanguageText::text(int code) const
{
    return QString::fromUtf8(code == kLanguageItalian ? italian : english);
}

QString LanguageText::controlText(int code) const
{
    return WithMnemonic(text(code), code == kLanguageItalian ? italianKey : englishKey);
}

QString WithMnemonic(const QString& text, char key)
{
    QString marked = text;
    const int at = int(marked.indexOf(QLatin1Char(key)));
    if (at >= 0)
        marked.insert(at, QLatin1Char('&'));
    return marked;
}

const std::vector<LanguageText>& LanguageTextTable()
{
    using T = LanguageText::Target;
    static const std::vector<LanguageText> table = {
        {T::HeaderCell, 0, nullptr, "No. ", "No. "},
        {T::HeaderCell, 1, nullptr, "Serial/ID ", "Serial/ID "},
        {T::HeaderCell, 2, nullptr, "Medium ", "Medium "},
        {T::HeaderCell, 3, nullptr, "AES-128 key ", "AES-128 key "},
        {T::HeaderCell, 4, nullptr, "Notes ", "Notes "},
        {T::Widget, 0, "Label8", "Resp. timeout", "Timeout risposte"},
        {T::Widget, 0, "Butt_clear_grid", "Clear table", "Cancella tabella"},
        {T::Widget, 0, "Butt_load_data", "Load", "Carica"},
        {T::Widget, 0, "Butt_save_data", "Export", "Salva / Esporta"},
        {T::Widget, 0, "BitBtn7", "Print log", "Stampa log"},
        {T::Widget, 0, "BitBtn6", "Save log", "Salva log"},
        {T::Widget, 0, "BitBtn5", "Clear log", "Cancella log"},
        {T::MenuTitle, 0, "File1", "File", "File", 'F', 'F'},
        {T::Action, 0, "Open1", "Open", "Apri", 'O', 'A'},
        {T::Action, 0, "Save1", "Save", "Salva", 'S', 'S'},
        {T::Action, 0, "ImportKeys1", "Import keys...", "Importa chiavi...", 'I', 'I'},
        {T::Action, 0, "Exit1", "Exit", "Esci", 'x', 'E'},
        {T::MenuTitle, 0, "Language1", "Language", "Lingua", 'L', 'L'},
        {T::MenuTitle, 0, "Help1", "Help", "Aiuto", 'H', 'A'},
        {T::Action, 0, "About1", "About", "Info", 'A', 'I'},
        {T::Action, 0, "UserManual1", "User Manual", "Manuale Utente", 'U', 'M'},
        {T::MenuTitle, 0, "Receiver1", "Receiver", "Ricevitore", 'R', 'R'},
        {T::Action, 0, "CompareZelk1", "Compare with ZELK...", "Confronta con ZELK...", 'C', 'C'},
        // The dialog "Compare with ZELK" reads these when it opens.
        {T::Text, 0, "CompareDialog", "Compare with ZELK", "Confronta con ZELK"},
        {T::Text, 0, "Grid_compare.0", "Meter ID", "ID contatore"},
        {T::Text, 0, "Grid_compare.1", "Medium in the table", "Mezzo nella tabella"},
        {T::Text, 0, "Grid_compare.2", "Medium in the receiver", "Mezzo nel ricevitore"},
        {T::Text, 0, "Grid_compare.3", "State", "Stato"},
        {T::Text, 0, "State.asWanted", "as in the table", "come nella tabella"},
        {T::Text, 0, "State.add", "not in the receiver", "non nel ricevitore"},
        {T::Text, 0, "State.key", "key differs", "chiave diversa"},
        {T::Text, 0, "State.medium", "medium differs", "mezzo diverso"},
        {T::Text, 0, "State.remove", "only in the receiver", "solo nel ricevitore"},
        {T::Text, 0, "Summary.meters", "meters", "contatori"},
        {T::Text, 0, "Summary.meter", "meter", "contatore"},
        {T::Text, 0, "NotConnected", "Not connected", "Non connesso"},
        {T::Text, 0, "Reading", "Reading the receiver...", "Lettura del ricevitore..."},
        {T::Text, 0, "Stopped", "Stopped", "Fermato"},
        {T::Text, 0, "NoReply", "No reply from the receiver", "Nessuna risposta dal ricevitore"},
        {T::Text, 0, "Refused", "refused", "rifiutato"},
        {T::Text, 0, "AskDelete", "Delete %1 meters that are not in the table from the receiver?",
         "Eliminare dal ricevitore %1 contatori che non sono nella tabella?"},
        {T::Text, 0, "AskDeleteMore", "This deletes %1 meters, more than the %2 the table lists. Delete them all?",
         "Verranno eliminati %1 contatori, più dei %2 della tabella. Eliminarli tutti?"},
        {T::Text, 0, "NothingWanted", "The table lists no meter: nothing is deleted.",
         "La tabella non contiene contatori: nulla viene eliminato."},
        {T::Widget, 0, "Check_includeKeys", "Include keys", "Includi chiavi"},
        {T::Widget, 0, "Check_alsoDelete", "Also delete meters not in the table",
         "Elimina anche i contatori non nella tabella"},
        {T::Widget, 0, "Butt_compareAgain", "Compare", "Confronta"},
        {T::Widget, 0, "Butt_programDifferences", "Program differences", "Programma differenze"},
        {T::Widget, 0, "Butt_stopCompare", "Stop", "Ferma"},
        {T::Widget, 0, "Butt_closeCompare", "Close", "Chiudi"},
    };
    return table;
}

QStringList MeterTableHeaderTexts(int code)
{
    QStringList header(5);
    for (const LanguageText& entry : LanguageTextTable())
        if (entry.target == LanguageText::Target::HeaderCell)
            header[entry.column] = entry.text(code);
    return header;
}

QString LanguageTextFor(const QString& objectName, int code)
{
    for (const LanguageText& entry : LanguageTextTable())
        if (entry.objectName && objectName == QLatin1String(entry.objectName))
            return entry.controlText(code);
    return {};
}

QString LanguageQuestion::title(bool englishChecked) const
{
    return QString::fromUtf8(englishChecked ? englishTitle : italianTitle);
}

QString LanguageQuestion::text(bool englishChecked) const
{
    return QString::fromUtf8(englishChecked ? english : italian);
}

const LanguageQuestion& MasterResetQuestion()
{
    static const LanguageQuestion question{"Master reset", "Azzeramento del ricevitore",
                                           "Reset the receiver? It forgets every meter and key it holds.",
                                           "Azzerare il ricevitore? Dimentica tutti i contatori e le chiavi."};
    return question;
}

const LanguageQuestion& ReplaceTableQuestion()
{
    static const LanguageQuestion question{
        "Get all meters", "Leggi tutti i contatori",
        "The meter table holds changes that are not saved. Replace it with the receiver's list?",
        "La tabella dei contatori contiene modifiche non salvate. Sostituirla con l'elenco del ricevitore?"};
    return question;
}
