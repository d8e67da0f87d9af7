// ConResGr.dll: German (Deutsch), LANGID 0x0407. The English table translated id for id; the
// printf specifiers and line breaks are those of the English texts.
#include <iterator>

#include "fwupdate/lang/lang_table.h"

namespace fwupdate::lang {

namespace {

constexpr LangString kStrings[] = {
    {1, "Bitte unterbrechen Sie das Programm nicht, bevor es\ndie folgenden Aufgaben abgeschlossen hat:"},
    {2, "Dateien entpacken"},
    {3, "BIOS-Aktualisierung"},
    {4, "MICOM-Aktualisierung"},
    {5, "Entpacken der Dateien wird vorbereitet. Bitte einen Moment warten..."},
    {7, "BIOS-Aktualisierung wird vorbereitet."},
    {8, "MICOM-Aktualisierung wird vorbereitet."},
    {9, "Das Entpacken der Dateien ist fehlgeschlagen.\n\nDas Programm wird beendet."},
    {10, "Der folgende Vorgang wird ausgeführt.\nBitte warten Sie, bis der Vorgang abgeschlossen ist."},
    {11, "Neues MICOM laden"},
    {12, "Kompatibilität der MICOMs prüfen."},
    {13, "Vorhandenes MICOM lesen."},
    {14, "Vorhandenes MICOM sichern."},
    {15, "MICOM aktualisieren"},
    {16,
     " - Dieses Programm aktualisiert das Flash-ROM des BIOS und des MICOM.\n\n - Während der Aktualisierung "
     "funktionieren Maus und Tastatur nicht richtig.\n\n - Beenden Sie laufende Programme für eine sichere "
     "Aktualisierung.\n\n - Nach der Aktualisierung wird das System aus- und automatisch wieder "
     "eingeschaltet."},
    {17, "Aktuelle BIOS-Version : "},
    {18, "Neue BIOS-Version     : "},
    {19, "Laden des Treibers fehlgeschlagen.\n\nStarten Sie das System neu."},
    {20, "Das Programm schaltet das System aus und in wenigen Sekunden wieder ein."},
    {21,
     "Das zu aktualisierende BIOS/MICOM-Modell ist ein anderes.\n\nÜberprüfen Sie das Programm.\n\n "
     "Aktuelles Modell (BIOS-Teilenummer) : %s(%s)\n\n     Neues Modell (BIOS-Teilenummer) : %s(%s)"},
    {22,
     "Nicht genügend freier Speicherplatz.\n\n   Freier Speicherplatz: %ld MByte\n Benötigter Speicherplatz: "
     "%d MByte"},
    {23,
     "Die Festplatte ist kennwortgeschützt.\n\nHeben Sie den Kennwortschutz der Festplatte im BIOS-Setup auf "
     "und versuchen Sie es erneut.\n\nDas Programm wird beendet."},
    {24, "DMI-Informationen aktualisieren."},
    {25, "Ungültige Option.\nÜberprüfen Sie die Option."},
    {26, "Einstellen des automatischen Einschaltens fehlgeschlagen."},
    {27, "Initialisierung des Programms fehlgeschlagen."},
    {28, "BIOS-Aktualisierung fehlgeschlagen."},
    {29, "MICOM-Aktualisierung fehlgeschlagen."},
    {30, "Ungültige BIOS-Datei."},
    {31, "Ungültige MICOM-Datei."},
    {32, "Einstellen von SMI fehlgeschlagen."},
    {33, "Erstellen des Verzeichnisses fehlgeschlagen."},
    {34,
     "Das Netzteil ist nicht angeschlossen.\n\nFür eine Aktualisierung muss das Netzteil angeschlossen "
     "sein."},
    {35,
     "Es ist kein Akku eingesetzt oder der Ladestand des Akkus liegt unter 30%%.\n\nÜberprüfen Sie den "
     "Akku."},
    {36, "Das System-BIOS ist neuer als die Aktualisierung.\n\n Die Aktualisierung wird abgebrochen."},
    {37,
     "Das Netzteil ist nicht angeschlossen und es ist kein Akku eingesetzt oder der Ladestand des Akkus "
     "liegt unter 30%%. \n\nÜberprüfen Sie Netzteil und Akku."},
    {38, "Warnung"},
    {39, "Aktualisierung abgeschlossen"},
    {40, "Fehler: Automatisches Einschalten"},
    {41, "Fehler: Speicherplatz"},
    {42, "Schwerer Fehler"},
    {43, "Fehler: Entpacken"},
    {44, "Fehler: Festplattenkennwort"},
    {45, "Fehler: Treiber laden"},
    {46, "Fehler: Modell (BIOS-Teilenummer)"},
    {47, "Fehler: BIOS-Aktualisierung"},
    {48, "Fehler: MICOM"},
    {49, "Fehler: BIOS-Datei"},
    {50, "Fehler: MICOM-Datei"},
    {51, "Fehler: SMI aktivieren"},
    {52, "Fehler: Verzeichnis"},
    {53, "Fehler: Stromversorgung"},
    {54, "Fehler: Ungültige Option"},
    {55, "Fehler: BIOS-Datum"},
};

}  // namespace

extern const LangTable kLanguageTable{"German", 0x0407, kStrings, std::size(kStrings)};

}  // namespace fwupdate::lang
