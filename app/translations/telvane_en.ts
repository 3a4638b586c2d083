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
      <source>Stored %n entries from “%1”.</source>
      <translation>
        <numerusform>Stored %n entry from “%1”.</numerusform>
        <numerusform>Stored %n entries from “%1”.</numerusform>
      </translation>
    </message>
  </context>
</TS>
