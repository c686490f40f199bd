<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ReencodingDialog</name>
    <message>
        <source>Deinterlace video</source>
        <translation>Video entflechten</translation>
    </message>
    <message>
        <source>Input file:</source>
        <translation>Eingabedatei:</translation>
    </message>
    <message>
        <source>Select...</source>
        <translation>Auswählen...</translation>
    </message>
    <message>
        <source>Convert</source>
        <translation>Umwandeln</translation>
    </message>
    <message>
        <source>25 FPS</source>
        <translation>25 BpS</translation>
    </message>
    <message>
        <source>30 FPS</source>
        <translation>30 BpS</translation>
    </message>
    <message>
        <source>Microsoft MPEG4v2</source>
        <translation>Microsoft-MPEG4v2</translation>
    </message>
</context>
</TS>
