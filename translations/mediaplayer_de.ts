<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>MediaPlayer</name>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Morlek</source>
        <translation>Morlek</translation>
    </message>
    <message>
        <source>&lt;center&gt;No file selected&lt;/center&gt;</source>
        <translation>&lt;center&gt;Keine Datei ausgewählt&lt;/center&gt;</translation>
    </message>
    <message>
        <source>Open file (%1)</source>
        <translation>Datei öffnen (%1)</translation>
    </message>
    <message>
        <source>Play / Pause (%1)</source>
        <translation>Wiedergabe / Pause (%1)</translation>
    </message>
    <message>
        <source>Next frame (%1)</source>
        <translation>Nächstes Bild (%1)</translation>
    </message>
    <message>
        <source>Previous frame (%1)</source>
        <translation>Vorheriges Bild (%1)</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Deinterlace video</source>
        <translation>Video deinterlacen</translation>
    </message>
    <message>
        <source>Seek step</source>
        <translation>Schrittweite</translation>
    </message>
    <message>
        <source>40ms (25 FPS video)</source>
        <translation>40 ms (Video mit 25 Bildern/s)</translation>
    </message>
    <message>
        <source>33ms (30 FPS video)</source>
        <translation>33 ms (Video mit 30 Bildern/s)</translation>
    </message>
    <message>
        <source>20ms (50 FPS video)</source>
        <translation>20 ms (Video mit 50 Bildern/s)</translation>
    </message>
    <message>
        <source>17ms (60 FPS video)</source>
        <translation>17 ms (Video mit 60 Bildern/s)</translation>
    </message>
    <message>
        <source>10ms (100 FPS video)</source>
        <translation>10 ms (Video mit 100 Bildern/s)</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Open user manual</source>
        <translation>Benutzerhandbuch öffnen</translation>
    </message>
    <message>
        <source>Video files (*.avi *.wmv *.mov *.mp4 *.mpeg *.mpg *.mkv *.ogv)</source>
        <translation>Videodateien (*.avi *.wmv *.mov *.mp4 *.mpeg *.mpg *.mkv *.ogv)</translation>
    </message>
    <message>
        <source>User manual</source>
        <translation>Benutzerhandbuch</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; cannot be played: it holds no video or sound that can be read. It may be damaged, incomplete or of a kind that is not supported.</source>
        <translation>Die Datei „%1“ kann nicht abgespielt werden: Sie enthält weder Bild noch Ton, die sich lesen lassen. Sie ist möglicherweise beschädigt, unvollständig oder von einer Art, die nicht unterstützt wird.</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; cannot be opened: its name holds characters this system cannot read. Rename the file and open it again.</source>
        <translation>Die Datei „%1“ kann nicht geöffnet werden: Ihr Name enthält Zeichen, die dieses System nicht lesen kann. Benennen Sie die Datei um und öffnen Sie sie erneut.</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Frame %1</source>
        <translation>Bild %1</translation>
    </message>
    <message>
        <source>Every frame of the video</source>
        <translation>Jedes Bild des Videos</translation>
    </message>
    <message>
        <source>Element %1 end %2</source>
        <translation>Element %1 Ende %2</translation>
    </message>
    <message>
        <source>Element %1 start %2</source>
        <translation>Element %1 Beginn %2</translation>
    </message>
    <message>
        <source>If it lies on a network share or a disk that answers slowly, open it again once the storage answers.</source>
        <translation>Liegt sie auf einer Netzwerkfreigabe oder einem Datenträger, der langsam antwortet, öffnen Sie sie erneut, sobald der Speicher antwortet.</translation>
    </message>
    <message>
        <source>Speed %1</source>
        <translation>Tempo %1</translation>
    </message>
    <message>
        <source>Playback speed (slower: %1, faster: %2)</source>
        <translation>Wiedergabetempo (langsamer: %1, schneller: %2)</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation>Wiedergabe / Pause</translation>
    </message>
    <message>
        <source>Next frame</source>
        <translation>Nächstes Bild</translation>
    </message>
    <message>
        <source>Previous frame</source>
        <translation>Vorheriges Bild</translation>
    </message>
    <message>
        <source>10 frames on</source>
        <translation>10 Bilder vor</translation>
    </message>
    <message>
        <source>10 frames back</source>
        <translation>10 Bilder zurück</translation>
    </message>
    <message>
        <source>One second on</source>
        <translation>Eine Sekunde vor</translation>
    </message>
    <message>
        <source>One second back</source>
        <translation>Eine Sekunde zurück</translation>
    </message>
    <message>
        <source>First frame</source>
        <translation>Erstes Bild</translation>
    </message>
    <message>
        <source>Last frame</source>
        <translation>Letztes Bild</translation>
    </message>
    <message>
        <source>Slower</source>
        <translation>Langsamer</translation>
    </message>
    <message>
        <source>Faster</source>
        <translation>Schneller</translation>
    </message>
    <message>
        <source>Save current time</source>
        <translation>Aktuelle Zeit speichern</translation>
    </message>
    <message>
        <source>Export data to .csv</source>
        <translation>Daten als .csv exportieren</translation>
    </message>
    <message>
        <source>Copy the selected times</source>
        <translation>Ausgewählte Zeiten kopieren</translation>
    </message>
    <message>
        <source>New run</source>
        <translation>Neuer Durchgang</translation>
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
        <source>Full screen</source>
        <translation>Vollbild</translation>
    </message>
    <message>
        <source>Time on the picture (full screen)</source>
        <translation>Zeit im Bild (Vollbild)</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Keyboard shortcuts…</source>
        <translation>Tastenkürzel…</translation>
    </message>
</context>
<context>
    <name>ReencodingDialog</name>
    <message>
        <source>Deinterlace video</source>
        <translation>Video deinterlacen</translation>
    </message>
    <message>
        <source>Input file:</source>
        <translation>Eingabedatei:</translation>
    </message>
    <message>
        <source>Input file framerate:</source>
        <translation>Bildrate der Eingabedatei:</translation>
    </message>
    <message>
        <source>Output video codec:</source>
        <translation>Video-Codec der Ausgabe:</translation>
    </message>
    <message>
        <source>Output file:</source>
        <translation>Ausgabedatei:</translation>
    </message>
    <message>
        <source>Select...</source>
        <translation>Auswählen …</translation>
    </message>
    <message>
        <source>Convert</source>
        <translation>Umwandeln</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Video deinterlacing</source>
        <translation>Video deinterlacen</translation>
    </message>
    <message>
        <source>A video is being deinterlaced. Stop it and close?</source>
        <translation>Ein Video wird gerade umgewandelt. Umwandlung abbrechen und schließen?</translation>
    </message>
    <message>
        <source>25 FPS</source>
        <translation>25 Bilder/s</translation>
    </message>
    <message>
        <source>30 FPS</source>
        <translation>30 Bilder/s</translation>
    </message>
    <message>
        <source>Microsoft MPEG4v2</source>
        <translation>Microsoft MPEG4v2</translation>
    </message>
    <message>
        <source>H.264 (better quality, requires special decoder)</source>
        <translation>H.264 (bessere Qualität, erfordert einen besonderen Decoder)</translation>
    </message>
    <message>
        <source>Video files (*.avi *.wmv *.mov *.mp4 *.mpeg *.mpg *.mkv *.ogv)</source>
        <translation>Videodateien (*.avi *.wmv *.mov *.mp4 *.mpeg *.mpg *.mkv *.ogv)</translation>
    </message>
    <message>
        <source>Video successfully deinterlaced</source>
        <translation>Das Video wurde erfolgreich umgewandelt</translation>
    </message>
    <message>
        <source>Video deinterlacing failed</source>
        <translation>Die Umwandlung des Videos ist fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>TimerWidget</name>
    <message>
        <source>New run</source>
        <translation>Neuer Durchgang</translation>
    </message>
    <message>
        <source>Start a new run (%1)</source>
        <translation>Neuen Durchgang beginnen (%1)</translation>
    </message>
    <message>
        <source>Run %1 of %2</source>
        <translation>Durchgang %1 von %2</translation>
    </message>
    <message>
        <source>No element timed in this run yet</source>
        <translation>In diesem Durchgang ist noch kein Element gemessen</translation>
    </message>
    <message>
        <source>Elements: %1, total %2, mean %3, fastest %4, slowest %5</source>
        <translation>Elemente: %1, gesamt %2, Mittel %3, schnellstes %4, langsamstes %5</translation>
    </message>
    <message>
        <source>CSV with frame numbers and seconds (*.csv)</source>
        <translation>CSV mit Bildnummern und Sekunden (*.csv)</translation>
    </message>
    <message>
        <source>Error message:
%1</source>
        <translation>Fehlermeldung:
%1</translation>
    </message>
    <message>
        <source>Save current time (%1)</source>
        <translation>Aktuelle Zeit erfassen (%1)</translation>
    </message>
    <message>
        <source>Clear timing table</source>
        <translation>Zeittabelle leeren</translation>
    </message>
    <message>
        <source>Export data to .csv (%1)</source>
        <translation>Daten als .csv exportieren (%1)</translation>
    </message>
    <message>
        <source>Delete all timing data?</source>
        <translation>Alle Zeitdaten löschen?</translation>
    </message>
    <message>
        <source>If you will proceed, all timing data for this video will be deleted</source>
        <translation>Wenn Sie fortfahren, werden alle Zeitdaten dieses Videos gelöscht</translation>
    </message>
    <message>
        <source>Error occured while loading data</source>
        <translation>Beim Laden der Daten ist ein Fehler aufgetreten</translation>
    </message>
    <message>
        <source>We are sorry.We may advise you to reports this problem to &lt;a href=&quot;mailto:%1&quot;&gt;%1&lt;/a&gt;, and ask for assistance.

</source>
        <translation>Das tut uns leid. Bitte melden Sie dieses Problem an &lt;a href=&quot;mailto:%1&quot;&gt;%1&lt;/a&gt; und bitten Sie um Unterstützung.

</translation>
    </message>
    <message>
        <source>Error occured while saving data</source>
        <translation>Beim Speichern der Daten ist ein Fehler aufgetreten</translation>
    </message>
    <message>
        <source>We are sorry. Please backup your data manually. Then we may advise you to reports this problem to &lt;a href=&quot;mailto:%1&quot;&gt;%1&lt;/a&gt;, and ask for assistance.

</source>
        <translation>Das tut uns leid. Bitte sichern Sie Ihre Daten von Hand. Melden Sie dieses Problem danach an &lt;a href=&quot;mailto:%1&quot;&gt;%1&lt;/a&gt; und bitten Sie um Unterstützung.

</translation>
    </message>
    <message>
        <source>Select filename for exported data</source>
        <translation>Dateiname für die exportierten Daten wählen</translation>
    </message>
    <message>
        <source>Comma separated values (*.csv)</source>
        <translation>Kommagetrennte Werte (*.csv)</translation>
    </message>
    <message>
        <source>Export failed</source>
        <translation>Export fehlgeschlagen</translation>
    </message>
    <message>
        <source>The timing data could not be exported to &quot;%1&quot;: %2</source>
        <translation>Die Zeitdaten konnten nicht nach „%1“ exportiert werden: %2</translation>
    </message>
</context>
<context>
    <name>TimingHistory</name>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
</context>
<context>
    <name>TimingTable</name>
    <message>
        <source>Element</source>
        <translation>Element</translation>
    </message>
    <message>
        <source>Start time</source>
        <translation>Beginn</translation>
    </message>
    <message>
        <source>End time</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Sum</source>
        <translation>Summe</translation>
    </message>
    <message>
        <source>Element %1</source>
        <translation>Element %1</translation>
    </message>
</context>
<context>
    <name>UserManual</name>
    <message>
        <source>The user manual &quot;%1&quot; was not found. It was looked for in these folders:

%2</source>
        <translation>Das Benutzerhandbuch „%1“ wurde nicht gefunden. Gesucht wurde in diesen Ordnern:

%2</translation>
    </message>
    <message>
        <source>The user manual &quot;%1&quot; could not be opened: no program for PDF files was found.</source>
        <translation>Das Benutzerhandbuch „%1“ konnte nicht geöffnet werden: Es wurde kein Programm für PDF-Dateien gefunden.</translation>
    </message>
</context>
<context>
    <name>VideoFileDeinterlacer</name>
    <message>
        <source>The encoder ffmpeg could not be started.</source>
        <translation>Der Encoder ffmpeg konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The conversion was cancelled.</source>
        <translation>Die Umwandlung wurde abgebrochen.</translation>
    </message>
    <message>
        <source>The encoder was stopped before the end.</source>
        <translation>Der Encoder wurde vor dem Ende gestoppt.</translation>
    </message>
    <message>
        <source>The encoder failed with exit code %1.</source>
        <translation>Der Encoder ist mit dem Exit-Code %1 fehlgeschlagen.</translation>
    </message>
    <message>
        <source>The encoder failed: %1</source>
        <translation>Der Encoder ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>The copy could not be named %1: %2</source>
        <translation>Die Kopie konnte nicht %1 genannt werden: %2</translation>
    </message>
</context>
<context>
    <name>dravenhol::morlek::shortcuts::ShortcutsDialog</name>
    <message>
        <source>Keyboard shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Click a key and press the new one. The change takes effect at once.</source>
        <translation>Klicken Sie auf eine Taste und drücken Sie die neue. Die Änderung gilt sofort.</translation>
    </message>
    <message>
        <source>Restore defaults</source>
        <translation>Standard wiederherstellen</translation>
    </message>
    <message>
        <source>%1 cannot be given to an action: it leaves full screen or moves between fields. &quot;%2&quot; keeps its key.</source>
        <translation>%1 kann keiner Aktion zugewiesen werden: Die Taste beendet das Vollbild oder wechselt zwischen Feldern. „%2“ behält seine Taste.</translation>
    </message>
    <message>
        <source>%1 is already the key of &quot;%2&quot;. Give &quot;%2&quot; another key first; &quot;%3&quot; keeps its key.</source>
        <translation>%1 ist bereits die Taste von „%2“. Geben Sie „%2“ zuerst eine andere Taste; „%3“ behält seine Taste.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Times performances recorded on video: step through a video frame by frame and record when every element starts and ends.</source>
        <translation>Misst die Zeiten von Auftritten auf Video: Gehen Sie ein Video Bild für Bild durch und erfassen Sie, wann jedes Element beginnt und endet.</translation>
    </message>
    <message>
        <source>The video to open.</source>
        <translation>Das zu öffnende Video.</translation>
    </message>
    <message>
        <source>file</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>[file]</source>
        <translation>[Datei]</translation>
    </message>
</context>
<context>
    <name>morlek::reencoding::CopyChecker</name>
    <message>
        <source>The input cannot be read: %1</source>
        <translation>Die Eingabedatei kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>The copy cannot be read: %1</source>
        <translation>Die Kopie kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>The input holds no video of known rate and length.</source>
        <translation>Die Eingabedatei enthält kein Video mit bekannter Bildrate und Länge.</translation>
    </message>
    <message>
        <source>The copy holds no video.</source>
        <translation>Die Kopie enthält kein Video.</translation>
    </message>
    <message>
        <source>The copy holds %1 frames instead of %2.</source>
        <translation>Die Kopie enthält %1 Bilder statt %2.</translation>
    </message>
    <message>
        <source>The copy&apos;s video lasts %1 s instead of %2 s.</source>
        <translation>Das Video der Kopie dauert %1 s statt %2 s.</translation>
    </message>
    <message>
        <source>The copy has lost the sound.</source>
        <translation>Die Kopie hat den Ton verloren.</translation>
    </message>
    <message>
        <source>The copy&apos;s sound lasts %1 s instead of %2 s.</source>
        <translation>Der Ton der Kopie dauert %1 s statt %2 s.</translation>
    </message>
</context>
<context>
    <name>morlek::reencoding::MediaProbe</name>
    <message>
        <source>The probe ffprobe could not be started.</source>
        <translation>Das Prüfprogramm ffprobe konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The probe ffprobe failed.</source>
        <translation>Das Prüfprogramm ffprobe ist fehlgeschlagen.</translation>
    </message>
</context>
</TS>
