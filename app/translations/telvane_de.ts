<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
  <context>
    <name>ui</name>
    <message>
      <source>Load Call List</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Text files (*.txt)</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>All files (*)</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>“%1” holds nothing to load.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Could not load “%1”: %2</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Loaded 1 entry from “%1”.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Loaded %1 entries from “%2”.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Dialling %1…</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Could not reach a dialer for %1: %2</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Export Call Log</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>The call log was not exported.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Export Failed</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>The call log could not be written to “%1”.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Exported 1 entry to “%1”.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Exported %1 entries to “%2”.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Work through a list of telephone numbers.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Write the stored call list to &lt;file&gt; in the export format and exit.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>file</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Replace the stored call list with the one in &lt;file&gt; and exit.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>A call list to load when the window opens.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>[file]</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Could not write the call list to standard output.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Could not export the call list to “%1”: %2</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Could not read “%1”: %2</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>no such file</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>it is a folder</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>permission denied</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>“%1” holds nothing to load; the stored list is unchanged.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Could not store the call list; the stored list is unchanged.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Give either --export or --import, not both.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Unexpected argument “%1”.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Give at most one call list to open.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Give the option once.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>The file name is empty.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Try “%1 --help” for more information.</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <source>Exported %n entries to “%1”.</source>
      <translation type="unfinished">
        <numerusform />
        <numerusform />
      </translation>
    </message>
    <message numerus="yes">
      <source>Stored %n entries from “%1”.</source>
      <translation type="unfinished">
        <numerusform />
        <numerusform />
      </translation>
    </message>
    <message>
      <source>Telvane List Dialer</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Ready</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>Quit</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>&amp;File</source>
      <translation type="unfinished" />
    </message>
    <message>
      <source>&amp;Call</source>
      <translation type="unfinished" />
    </message>
  </context>
</TS>
