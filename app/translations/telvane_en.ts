<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
  <context>
    <name>ui</name>
    <message numerus="yes">
      <source>Exported %n entries to “%1”.</source>
      <translation>
        <numerusform>Exported %n entry to “%1”.</numerusform>
        <numerusform>Exported %n entries to “%1”.</numerusform>
      </translation>
    </message>
    <message numerus="yes">
      <source>End of the list: %n entries above have not been called.</source>
      <translation>
        <numerusform>End of the list: %n entry above has not been called.</numerusform>
        <numerusform>End of the list: %n entries above have not been called.</numerusform>
      </translation>
    </message>
    <message numerus="yes">
      <source>Stored %n entries from “%1”.</source>
      <translation>
        <numerusform>Stored %n entry from “%1”.</numerusform>
        <numerusform>Stored %n entries from “%1”.</numerusform>
      </translation>
    </message>
    <message numerus="yes">
      <source>Loaded %n entries from “%1”.</source>
      <translation>
        <numerusform>Loaded %n entry from “%1”.</numerusform>
        <numerusform>Loaded %n entries from “%1”.</numerusform>
      </translation>
    </message>
    <message numerus="yes">
      <source>%n dates could not be read and were left empty.</source>
      <translation>
        <numerusform>%n date could not be read and was left empty.</numerusform>
        <numerusform>%n dates could not be read and were left empty.</numerusform>
      </translation>
    </message>
  </context>
</TS>
