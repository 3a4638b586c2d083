<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
  <context>
    <name>ui</name>
    <message>
      <source>Load Call List</source>
      <translation>Anrufliste laden</translation>
    </message>
    <message>
      <source>Call lists (*.txt *.csv *.tsv)</source>
      <translation>Anruflisten (*.txt *.csv *.tsv)</translation>
    </message>
    <message>
      <source>All files (*)</source>
      <translation>Alle Dateien (*)</translation>
    </message>
    <message>
      <source>Select an entry to dial.</source>
      <translation>Bitte einen Eintrag zum Wählen auswählen.</translation>
    </message>
    <message>
      <source>This entry has no number to dial.</source>
      <translation>Dieser Eintrag hat keine Nummer zum Wählen.</translation>
    </message>
    <message>
      <source>Not dialled: %1</source>
      <translation>Nicht gewählt: %1</translation>
    </message>
    <message>
      <source>Dialling %1: %2</source>
      <translation>%1 wird gewählt: %2</translation>
    </message>
    <message>
      <source>Export Call Log</source>
      <translation>Anrufprotokoll exportieren</translation>
    </message>
    <message>
      <source>The call log was not exported.</source>
      <translation>Das Anrufprotokoll wurde nicht exportiert.</translation>
    </message>
    <message>
      <source>Export Failed</source>
      <translation>Export fehlgeschlagen</translation>
    </message>
    <message>
      <source>The call log could not be written to “%1”.</source>
      <translation>Das Anrufprotokoll konnte nicht nach „%1“ geschrieben werden.</translation>
    </message>
    <message numerus="yes">
      <source>Exported %n entries to “%1”.</source>
      <translation>
        <numerusform>%n Eintrag nach „%1“ exportiert.</numerusform>
        <numerusform>%n Einträge nach „%1“ exportiert.</numerusform>
      </translation>
    </message>
    <message>
      <source>Find a number or note</source>
      <translation>Nummer oder Notiz suchen</translation>
    </message>
    <message>
      <source>All</source>
      <translation>Alle</translation>
    </message>
    <message>
      <source>Not called</source>
      <translation>Nicht angerufen</translation>
    </message>
    <message>
      <source>Succeeded</source>
      <translation>Erfolgreich</translation>
    </message>
    <message>
      <source>Not succeeded</source>
      <translation>Nicht erfolgreich</translation>
    </message>
    <message>
      <source>&amp;Find:</source>
      <translation>&amp;Suchen:</translation>
    </message>
    <message>
      <source>That was the last entry.</source>
      <translation>Das war der letzte Eintrag.</translation>
    </message>
    <message>
      <source>End of the list: every entry has been called.</source>
      <translation>Ende der Liste: Alle Einträge wurden angerufen.</translation>
    </message>
    <message numerus="yes">
      <source>End of the list: %n entries above have not been called.</source>
      <translation>
        <numerusform>Ende der Liste: %n Eintrag weiter oben wurde noch nicht angerufen.</numerusform>
        <numerusform>Ende der Liste: %n Einträge weiter oben wurden noch nicht angerufen.</numerusform>
      </translation>
    </message>
    <message>
      <source>Index</source>
      <translation>Index</translation>
    </message>
    <message>
      <source>Number</source>
      <translation>Nummer</translation>
    </message>
    <message>
      <source>Date</source>
      <translation>Datum</translation>
    </message>
    <message>
      <source>Success</source>
      <translation>Erfolg</translation>
    </message>
    <message>
      <source>Note</source>
      <translation>Notiz</translation>
    </message>
    <message>
      <source>Call List Not Saved</source>
      <translation>Anrufliste nicht gespeichert</translation>
    </message>
    <message>
      <source>The call list could not be saved in “%1”: %2</source>
      <translation>Die Anrufliste konnte nicht in „%1“ gespeichert werden: %2</translation>
    </message>
    <message>
      <source>Your changes are kept in this window and saving is tried again every moment. Free some space or fix the folder's permissions; until then, export the list to keep it.</source>
      <translation>Ihre Änderungen bleiben in diesem Fenster erhalten, und das Speichern wird laufend erneut versucht. Geben Sie Speicherplatz frei oder korrigieren Sie die Rechte des Ordners; exportieren Sie die Liste bis dahin, um sie zu sichern.</translation>
    </message>
    <message>
      <source>⚠ Not saved</source>
      <translation>⚠ Nicht gespeichert</translation>
    </message>
    <message>
      <source>The stored call list cannot be read.</source>
      <translation>Die gespeicherte Anrufliste kann nicht gelesen werden.</translation>
    </message>
    <message>
      <source>Call List Cannot Be Shown</source>
      <translation>Anrufliste kann nicht angezeigt werden</translation>
    </message>
    <message>
      <source>The stored call list in “%1” cannot be read: %2</source>
      <translation>Die gespeicherte Anrufliste in „%1“ kann nicht gelesen werden: %2</translation>
    </message>
    <message>
      <source>The file is left as it is and nothing is written over it. Check its owner and permissions, then start the program again; changes made now cannot be saved.</source>
      <translation>Die Datei bleibt unverändert und wird nicht überschrieben. Prüfen Sie Eigentümer und Rechte und starten Sie das Programm dann neu; Änderungen, die Sie jetzt machen, können nicht gespeichert werden.</translation>
    </message>
    <message>
      <source>The stored call list was damaged; the list starts empty.</source>
      <translation>Die gespeicherte Anrufliste war beschädigt; die Liste beginnt leer.</translation>
    </message>
    <message>
      <source>Call List Damaged</source>
      <translation>Anrufliste beschädigt</translation>
    </message>
    <message>
      <source>The stored call list in “%1” could not be read: %2</source>
      <translation>Die gespeicherte Anrufliste in „%1“ konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
      <source>The damaged file was kept as “%1”. The list starts empty.</source>
      <translation>Die beschädigte Datei wurde als „%1“ aufbewahrt. Die Liste beginnt leer.</translation>
    </message>
    <message>
      <source>Quit Without Saving?</source>
      <translation>Ohne Speichern beenden?</translation>
    </message>
    <message>
      <source>The call list could not be saved: %1</source>
      <translation>Die Anrufliste konnte nicht gespeichert werden: %1</translation>
    </message>
    <message>
      <source>If you quit now, the changes since the last successful save are lost. Export the list to keep it.</source>
      <translation>Wenn Sie jetzt beenden, gehen die Änderungen seit dem letzten erfolgreichen Speichern verloren. Exportieren Sie die Liste, um sie zu sichern.</translation>
    </message>
    <message>
      <source>Export…</source>
      <translation>Exportieren …</translation>
    </message>
    <message>
      <source>Quit Without Saving</source>
      <translation>Ohne Speichern beenden</translation>
    </message>
    <message>
      <source>Import</source>
      <translation>Import</translation>
    </message>
    <message>
      <source>Undo</source>
      <translation>Rückgängig</translation>
    </message>
    <message>
      <source>Redo</source>
      <translation>Wiederholen</translation>
    </message>
    <message>
      <source>The list from before the last import could not be read from “%1”.</source>
      <translation>Die Liste von vor dem letzten Import konnte nicht aus „%1“ gelesen werden.</translation>
    </message>
    <message>
      <source>Undone: %1.</source>
      <translation>Rückgängig gemacht: %1.</translation>
    </message>
    <message>
      <source>Redone: %1.</source>
      <translation>Wiederholt: %1.</translation>
    </message>
    <message>
      <source>Undo %1</source>
      <translation>%1 rückgängig machen</translation>
    </message>
    <message>
      <source>Redo %1</source>
      <translation>%1 wiederholen</translation>
    </message>
    <message>
      <source>%1 of %2 called · %3 succeeded</source>
      <translation>%1 von %2 angerufen · %3 erfolgreich</translation>
    </message>
    <message>
      <source>Work through a list of telephone numbers.</source>
      <translation>Eine Liste von Telefonnummern abarbeiten.</translation>
    </message>
    <message>
      <source>Write the stored call list to &lt;file&gt; in the export format and exit.</source>
      <translation>Die gespeicherte Anrufliste im Exportformat in &lt;Datei&gt; schreiben und beenden.</translation>
    </message>
    <message>
      <source>file</source>
      <translation>Datei</translation>
    </message>
    <message>
      <source>Replace the stored call list with the one in &lt;file&gt; and exit.</source>
      <translation>Die gespeicherte Anrufliste durch die aus &lt;Datei&gt; ersetzen und beenden.</translation>
    </message>
    <message>
      <source>A call list to load when the window opens.</source>
      <translation>Eine Anrufliste, die beim Öffnen des Fensters geladen wird.</translation>
    </message>
    <message>
      <source>[file]</source>
      <translation>[Datei]</translation>
    </message>
    <message>
      <source>Could not write the call list to standard output.</source>
      <translation>Die Anrufliste konnte nicht auf die Standardausgabe geschrieben werden.</translation>
    </message>
    <message>
      <source>Could not export the call list to “%1”: %2</source>
      <translation>Die Anrufliste konnte nicht nach „%1“ exportiert werden: %2</translation>
    </message>
    <message>
      <source>Could not read “%1”: %2</source>
      <translation>„%1“ konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
      <source>no such file</source>
      <translation>Datei nicht gefunden</translation>
    </message>
    <message>
      <source>it is a folder</source>
      <translation>es ist ein Ordner</translation>
    </message>
    <message>
      <source>permission denied</source>
      <translation>Zugriff verweigert</translation>
    </message>
    <message>
      <source>“%1” holds nothing to load; the stored list is unchanged.</source>
      <translation>„%1“ enthält nichts zum Laden; die gespeicherte Liste bleibt unverändert.</translation>
    </message>
    <message>
      <source>Could not load “%1”: %2</source>
      <translation>„%1“ konnte nicht geladen werden: %2</translation>
    </message>
    <message>
      <source>Could not store the call list; the stored list is unchanged.</source>
      <translation>Die Anrufliste konnte nicht gespeichert werden; die gespeicherte Liste bleibt unverändert.</translation>
    </message>
    <message>
      <source>Give either --export or --import, not both.</source>
      <translation>Bitte entweder --export oder --import angeben, nicht beides.</translation>
    </message>
    <message>
      <source>Unexpected argument “%1”.</source>
      <translation>Unerwartetes Argument „%1“.</translation>
    </message>
    <message>
      <source>Give at most one call list to open.</source>
      <translation>Bitte höchstens eine Anrufliste zum Öffnen angeben.</translation>
    </message>
    <message>
      <source>Give the option once.</source>
      <translation>Bitte die Option nur einmal angeben.</translation>
    </message>
    <message>
      <source>The file name is empty.</source>
      <translation>Der Dateiname ist leer.</translation>
    </message>
    <message>
      <source>Try “%1 --help” for more information.</source>
      <translation>„%1 --help“ zeigt weitere Informationen.</translation>
    </message>
    <message numerus="yes">
      <source>Stored %n entries from “%1”.</source>
      <translation>
        <numerusform>%n Eintrag aus „%1“ gespeichert.</numerusform>
        <numerusform>%n Einträge aus „%1“ gespeichert.</numerusform>
      </translation>
    </message>
    <message>
      <source>The dial command “%1” puts the number into the script that %2 runs, where parts of it could run as commands. Pass it as a parameter after the script instead, for example “sh /path/to/dial.sh %n”, where the script reads it as "$1".</source>
      <translation>Der Wählbefehl „%1“ setzt die Nummer in das Skript ein, das %2 ausführt, wo Teile davon als Befehle laufen könnten. Übergeben Sie sie stattdessen als Parameter nach dem Skript, zum Beispiel „sh /pfad/zu/waehlen.sh %n“, wo das Skript sie als "$1" liest.</translation>
    </message>
    <message>
      <source>The dialer “%1” could not be started.</source>
      <translation>Das Wählprogramm „%1“ konnte nicht gestartet werden.</translation>
    </message>
    <message>
      <source>No application is set up to dial tel: links.</source>
      <translation>Kein Programm ist für das Wählen von tel:-Links eingerichtet.</translation>
    </message>
    <message>
      <source>The dial command is empty.</source>
      <translation>Der Wählbefehl ist leer.</translation>
    </message>
    <message>
      <source>The dial command “%1” must name a program before the number.</source>
      <translation>Der Wählbefehl „%1“ muss vor der Nummer ein Programm nennen.</translation>
    </message>
    <message>
      <source>The number “%1” cannot be passed to the dialer as it is.</source>
      <translation>Die Nummer „%1“ kann so nicht an das Wählprogramm übergeben werden.</translation>
    </message>
    <message>
      <source>No call list yet.

Load one with File ▸ Load… (Ctrl+O): a .txt file, tab- or comma-separated, with a header row and one call per line. Either a single column of telephone numbers under any heading, or the columns index, number, date, success and note, as an exported call log has them.</source>
      <translation>Noch keine Anrufliste.

Laden Sie eine mit Datei ▸ Laden … (Strg+O): eine .txt-Datei, durch Tabulatoren oder Kommas getrennt, mit einer Kopfzeile und einem Anruf pro Zeile. Entweder eine einzelne Spalte mit Telefonnummern unter beliebiger Überschrift oder die Spalten index, number, date, success und note, wie sie ein exportiertes Anrufprotokoll hat.</translation>
    </message>
    <message>
      <source>No entry matches the filter.</source>
      <translation>Kein Eintrag passt zum Filter.</translation>
    </message>
    <message>
      <source>Nothing loaded from “%1”: %2.</source>
      <translation>Nichts aus „%1“ geladen: %2.</translation>
    </message>
    <message>
      <source>Could not load “%1”: %2.</source>
      <translation>„%1“ konnte nicht geladen werden: %2.</translation>
    </message>
    <message>
      <source>Read as %1.</source>
      <translation>Gelesen als %1.</translation>
    </message>
    <message>
      <source>The first line, %1, is a number and was loaded as the first entry.</source>
      <translation>Die erste Zeile, %1, ist eine Nummer und wurde als erster Eintrag geladen.</translation>
    </message>
    <message>
      <source>Dates were read in the %1 form.</source>
      <translation>Datumsangaben wurden in der Form %1 gelesen.</translation>
    </message>
    <message numerus="yes">
      <source>Loaded %n entries from “%1”.</source>
      <translation>
        <numerusform>%n Eintrag aus „%1“ geladen.</numerusform>
        <numerusform>%n Einträge aus „%1“ geladen.</numerusform>
      </translation>
    </message>
    <message numerus="yes">
      <source>%n dates could not be read and were left empty.</source>
      <translation>
        <numerusform>%n Datum konnte nicht gelesen werden und blieb leer.</numerusform>
        <numerusform>%n Datumsangaben konnten nicht gelesen werden und blieben leer.</numerusform>
      </translation>
    </message>
    <message>
      <source>Telvane List Dialer is running: load the file in its window, or quit it and try again.</source>
      <translation>Telvane List Dialer läuft: Laden Sie die Datei in seinem Fenster oder beenden Sie es und versuchen Sie es erneut.</translation>
    </message>
    <message>
      <source>Telvane List Dialer</source>
      <translation>Telvane List Dialer</translation>
    </message>
    <message>
      <source>Ready</source>
      <translation>Bereit</translation>
    </message>
    <message>
      <source>Load…</source>
      <translation>Laden …</translation>
    </message>
    <message>
      <source>Load a call list</source>
      <translation>Eine Anrufliste laden</translation>
    </message>
    <message>
      <source>Dial</source>
      <translation>Wählen</translation>
    </message>
    <message>
      <source>Dial the selected entry</source>
      <translation>Den gewählten Eintrag anrufen</translation>
    </message>
    <message>
      <source>Export the call log</source>
      <translation>Das Anrufprotokoll exportieren</translation>
    </message>
    <message>
      <source>Dial Next</source>
      <translation>Nächsten wählen</translation>
    </message>
    <message>
      <source>Dial the next entry not called yet</source>
      <translation>Den nächsten noch nicht angerufenen Eintrag wählen</translation>
    </message>
    <message>
      <source>Find…</source>
      <translation>Suchen …</translation>
    </message>
    <message>
      <source>Find and filter entries</source>
      <translation>Einträge suchen und filtern</translation>
    </message>
    <message>
      <source>Quit</source>
      <translation>Beenden</translation>
    </message>
    <message>
      <source>&amp;File</source>
      <translation>&amp;Datei</translation>
    </message>
    <message>
      <source>&amp;Edit</source>
      <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
      <source>&amp;Call</source>
      <translation>&amp;Anruf</translation>
    </message>
    <message>
      <source>“%1” is too long to be a telephone number.</source>
      <translation>„%1“ ist zu lang für eine Telefonnummer.</translation>
    </message>
    <message>
      <source>“%1” is not a telephone number: “+” may only stand at its start.</source>
      <translation>„%1“ ist keine Telefonnummer: „+“ darf nur am Anfang stehen.</translation>
    </message>
    <message>
      <source>“%1” is not a telephone number: it holds “%2”.</source>
      <translation>„%1“ ist keine Telefonnummer: Sie enthält „%2“.</translation>
    </message>
    <message>
      <source>“%1” holds no digits to dial.</source>
      <translation>„%1“ enthält keine Ziffern zum Wählen.</translation>
    </message>
  </context>
</TS>
