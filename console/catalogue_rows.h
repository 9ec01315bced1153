// The texts of the message catalogue, rows 0 to 30 as the current program has them, for the
// catalogue tables of both programs (the legacy program uses rows 0 to 19 and replaces three).
//
// Every text is kept as the bytes of the code page it is stored in: Windows-1250, except five
// console texts in the OEM code pages 850 and 852 (see message_code_page). The source stays ASCII,
// so every byte above 0x7F is written as an escape, with the text in plain letters (accents
// dropped, the Polish quotes as ,, and '') in a comment beside or above it. A string literal is
// split after an escape wherever a hex digit follows, so that the digit is not read as part of
// the escape. Each "??" is written "?\?" so that no trigraph forms.
#pragma once

#include "console/catalogue.h"

// Message 6 in English.
inline constexpr char usage_english[] =
    "VORAX command directory filename [options]\n"
    "\n"
    "Commands: V2|V4|W2|W4|S1|S2|S4|U1|U2|U4|X\n"
    "Vn: \"directory\\?\?\?\?\?-?\?.fzn\" => \"filename.fzn\"\n"
    "Wn: \"directory\\filename-?\?-?\?.fzn\" => \"filename.fzn\"\n"
    "Sn: \"directory\\*.gzn\" => \"filename\"\n"
    "Un: \"directory\\u?\?-?\?\?-filename.gzn\" => \"filename[.uzn]\"\n"
    "X: in \"filename\" stored files => \"directory\\*.*\"\n"
    "\n"
    "Options: [O][S][I]\n"
    "O: Overwrite existing files\n"
    "S: Simulation mode (write nothing)\n"
    "I: Informations/Statistics\n"
    "\n"
    "No spaces in names\n"
    "Commands/Options case insensitive";

// Message 6 in German.
inline constexpr char usage_german[] =
    "VORAX Kommando Verzeichnis Dateiname [Optionen]\n"
    "\n"
    "Kommandos: V2|V4|W2|W4|S1|S2|S4|U1|U2|U4|X\n"
    "\n"
    "Vn: \"Verzeichnis\\?\?\?\?\?-?\?.fzn\" => \"Dateiname.fzn\"\n"
    "Wn: \"Verzeichnis\\Dateiname-?\?-?\?.fzn\" => \"Dateiname.fzn\"\n"
    "Sn: \"Verzeichnis\\*.gzn\" => \"Dateiname\"\n"
    "Un: \"Verzeichnis\\u?\?-?\?\?-Dateiname.gzn\" => \"Dateiname[.uzn]\"\n"
    "X: in \"Dateiname\" enthaltene Dateien => \"Verzeichnis\\*.*\"\n"
    "\n"
    "Optionen: [O][S][I]\n"
    "\n"
    "O: \xDC" "berschreiben existierender Dateien\n"  // O: Uberschreiben existierender Dateien
    "S: Simulationsmodus (nichts schreiben)\n"
    "I: Informationen/Statistik ausgeben\n"
    "\n"
    "Keine Leerzeichen in Namen\n"
    // Kommandos/Optionen Gross-/Kleinschreibung egal
    "Kommandos/Optionen Gro\xDF-/Kleinschreibung egal";

// Message 6 in Polish.
inline constexpr char usage_polish[] =
    // VORAX polecenie sciezka nazwa_pliku [opcje]
    "VORAX polecenie \x9C" "cie\xBFka nazwa_pliku [opcje]\n"
    "\n"
    "Polecenia: V2|V4|W2|W4|S1|S2|S4|U1|U2|U4|X\n"
    // Vn: ,,sciezka\?????-??.fzn'' => ,,nazwa_pliku.fzn''
    "Vn: \x84\x9C" "cie\xBFka\\?\?\?\?\?-?\?.fzn\x94 => \x84nazwa_pliku.fzn\x94\n"
    // Wn: ,,sciezka\nazwa_pliku-??-??.fzn'' => ,,nazwa_pliku.fzn''
    "Wn: \x84\x9C" "cie\xBFka\\nazwa_pliku-?\?-?\?.fzn\x94 => \x84nazwa_pliku.fzn\x94\n"
    // Sn: ,,sciezka\*.gzn'' => ,,nazwa_pliku''
    "Sn: \x84\x9C" "cie\xBFka\\*.gzn\x94 => \x84nazwa_pliku\x94\n"
    // Un: ,,sciezka\u??-???-nazwa_pliku.gzn'' => ,,nazwa_pliku[.uzn]''
    "Un: \x84\x9C" "cie\xBFka\\u?\?-?\?\?-nazwa_pliku.gzn\x94 => \x84nazwa_pliku[.uzn]\x94\n"
    // X: pliki zawarte w ,,nazwa_pliku'' => ,,sciezka\*.*''
    "X: pliki zawarte w \x84nazwa_pliku\x94 => \x84\x9C" "cie\xBFka\\*.*\x94\n"
    "\n"
    "Opcje: [O][S][I]\n"
    "O: Nadpisuj istniej\xB9" "ce pliki\n"  // O: Nadpisuj istniejace pliki
    "S: Tryb symulacji (bez zapisu)\n"
    "I: Informacje/Statystyka\n"
    "\n"
    // Nazwy plikow/katalogow nie moga zawierac spacji
    "Nazwy plik\xF3w/katalog\xF3w nie mog\xB9 zawiera\xE6 spacji\n"
    // Wielkosc liter nie jest uwzgledniana w poleceniach/opcjach
    "Wielko\x9C\xE6 liter nie jest uwzgl\xEA" "dniana w poleceniach/opcjach";

// Message 6 in Spanish.
inline constexpr char usage_spanish[] =
    "VORAX comando directorio nombre_de_fichero [opciones]\n"
    "\n"
    "Comandos: V2|V4|W2|W4|S1|S2|S4|U1|U2|U4|X\n"
    "Vn: \"directorio\\?\?\?\?\?-?\?.fzn\" => \"nombre.fzn\"\n"
    "Wn: \"directorio\\nombre-?\?-?\?.fzn\" => \"nombre.fzn\"\n"
    "Sn: \"directorio\\*.gzn\" => \"nombre\"\n"
    "Un: \"directorio\\u?\?-?\?\?-nombre.gzn\" => \"nombre[.uzn]\"\n"
    "X: ficheros guardados en \"nombre\" => \"directorio\\*.*\"\n"
    "\n"
    "Opciones: [O][S][I]\n"
    "O: reemplazar ficheros existente\n"
    // S: modo de la simulacion (no escribir nada)
    "S: modo de la simulaci\xF3n (no escribir nada)\n"
    "I: informaci\xF3n/estad\xEDstica\n"  // I: informacion/estadistica
    "\n"
    "No espacios en nombres\n"
    // Comandos/opciones insignificantes si con mayuscula/minuscula
    "Comandos/opciones insignificantes si con may\xFAscula/min\xFAscula";

// Message 6 in Czech.
inline constexpr char usage_czech[] =
    // VORAX prikaz cesta nazev_souboru [volby]
    "VORAX p\xF8\xEDkaz cesta n\xE1zev_souboru [volby]\n"
    "\n"
    "P\xF8\xEDkazy: V2|V4|W2|W4|S1|S2|S4|U1|U2|U4|X\n"  // Prikazy: V2|V4|W2|W4|S1|S2|S4|U1|U2|U4|X
    // Vn: "cesta\?????-??.FZn" => "nazev_souboru.FZn"
    "Vn: \"cesta\\?\?\?\?\?-?\?.FZn\" => \"n\xE1zev_souboru.FZn\"\n"
    // Wn: "cesta\nazev_souboru-??-??.FZn" => "nazev_souboru.FZn"
    "Wn: \"cesta\\n\xE1zev_souboru-?\?-?\?.FZn\" => \"n\xE1zev_souboru.FZn\"\n"
    "Sn: \"cesta\\*.GZn\" => \"n\xE1zev_souboru\"\n"  // Sn: "cesta\*.GZn" => "nazev_souboru"
    // Un: "cesta\u??-???-nazev_souboru.GZn" => "nazev_souboru[.UZn]"
    "Un: \"cesta\\u?\?-?\?\?-n\xE1zev_souboru.GZn\" => \"n\xE1zev_souboru[.UZn]\"\n"
    // X: soubory obsazene v "nazev_souboru" => "cesta\*.*"
    "X: soubory obsa\x9E" "en\xE9 v \"n\xE1zev_souboru\" => \"cesta\\*.*\"\n"
    "\n"
    "Volby: [O][S][I]\n"
    "O: P\xF8" "epsat existuj\xED" "c\xED soubory\n"  // O: Prepsat existujici soubory
    "S: M\xF3" "d simulace (bez z\xE1pisu)\n"  // S: Mod simulace (bez zapisu)
    "I: Informace/Statistika\n"
    "\n"
    // Nazvy souboru a slozek nesmi obsahovat mezery
    "N\xE1zvy soubor\xF9 a slo\x9E" "ek nesm\xED obsahovat mezery\n"
    // Prikazy a volby nerozlisuji velikost pismen.
    "P\xF8\xEDkazy a volby nerozli\x9Auj\xED velikost p\xEDsmen.";

inline constexpr catalogue_row current_rows[] = {
    {MSG_TEXT_MISSING,
     {"Text missing:",
      "Text fehlt:",
      "Brakuje tekstu:",
      "Texto falta:",
      "Chyb\xED text:"}},  // Chybi text:
    {MSG_VERSION,
     {"Version",
      "Version",
      "Wersja",
      "versi\xA2n",  // code page 850, version
      "Verze"}},
    {MSG_ARCHIVE_NOT_OPENED,
     {"Archive file \"%s\" not opened",
      "Archivdatei \"%s\" nicht er\xF6" "ffnet",  // Archivdatei "%s" nicht eroffnet
      "Plik archiwum \x84%s\x94 nie zosta\xB3 otwarty",  // Plik archiwum ,,%s'' nie zostal otwarty
      "No se puede abrir el fichero de archivo \"%s\"",
      "Archivn\xED soubor \"%s\" nebyl otev\xF8" "en"}},  // Archivni soubor "%s" nebyl otevren
    {MSG_ARCHIVE_EXISTS,
     {"Archive file \"%s\" already exists",
      "Archivdatei \"%s\" existiert schon",
      "Plik archiwum \x84%s\x94 ju\xBF istnieje",  // Plik archiwum ,,%s'' juz istnieje
      "El fichero \"%s\" ya existe",
      "Archivn\xED soubor \"%s\" ji\x9E existuje"}},  // Archivni soubor "%s" jiz existuje
    {MSG_ERROR_TITLE,
     {"Error",
      "Fehler",
      "B\xB3\xB9" "d",  // Blad
      "Error",
      "Chyba"}},
    {MSG_USAGE_TITLE,
     {"Correct call:",
      "Korrekter Aufruf:",
      "Prawid\xB3owe wywo\xB3" "anie:",  // Prawidlowe wywolanie:
      "Usando correcto:",
      "Spr\xE1vn\xE1 syntaxe:"}},  // Spravna syntaxe:
    {MSG_USAGE,
     {usage_english, usage_german, usage_polish, usage_spanish, usage_czech}},
    {MSG_EXTRACT_RESULT,
     {"Files found: %d  extracted: %d  skipped: %d",
      // Dateien gefunden: %d  ausgepackt: %d  ubersprungen: %d
      "Dateien gefunden: %d  ausgepackt: %d  \xFC" "bersprungen: %d",
      // Znaleziono plikow: %d  wypakowano: %d  pominieto: %d
      "Znaleziono plik\xF3w: %d  wypakowano: %d  pomini\xEAto: %d",
      "Ficheros encontrados: %d  generados: %d  cancelados: %d",
      // Nalezeno souboru: %d  Rozbaleno: %i  Preskoceno: %d
      "Nalezeno soubor\xF9: %d  Rozbaleno: %i  P\xF8" "esko\xE8" "eno: %d"}},
    {MSG_DONE_TITLE,
     {"Done/ready",
      "Ende/fertig",
      "Gotowe",
      "Terminado",
      "Hotovo"}},
    {MSG_EXTRACT_RC,
     {"Extracting: rc=",
      "Auspacken: rc=",
      "Wypakowywanie: kod zwrotny=",
      "Descomprimir: rc=",
      "Rozbalov\xE1n\xED: rc="}},  // Rozbalovani: rc=
    {MSG_PACKED,
     {"Packed: %i files",
      "Eingepackt: %i Dateien",
      "Spakowano: %i plik\xF3w",  // Spakowano: %i plikow
      "Comprimiendos: %i ficheros",
      "Sbaleno: %i soubor\xF9"}},  // Sbaleno: %i souboru
    {MSG_PACK_RC,
     {"Packing: rc=",
      "Einpacken: rc=",
      "Pakowanie: kod zwrotny=",
      "Comprimir: rc=",
      "Balen\xED: rc="}},  // Baleni: rc=
    {MSG_LENGTH,
     {"Length=",
      "Laenge=",
      "D\x88ugo\x98\x86=",  // code page 852, Dlugosc=
      "La longitud=",
      "D\x82lka="}},  // code page 852, Delka=
    {MSG_FILE_EXISTS,
     {"File already exists",
      "Datei existiert schon",
      "Plik ju\xBE istnieje",  // code page 852, Plik juz istnieje
      "El fichero ya existe",
      "Soubor ji\xA7 existuje"}},  // code page 852, Soubor jiz existuje
    {MSG_NO_FILE_FOUND,
     {"No file found",
      "Keine Datei gefunden",
      "Plik nie zosta\xB3 znaleziony",  // Plik nie zostal znaleziony
      "Ninguno fichero no encuentro",
      "Soubor nenalezen"}},
    {MSG_OUT_OF_MEMORY,
     {"Out of memory",
      "Speicher reicht nicht",
      "Zabrak\xB3o pami\xEA" "ci",  // Zabraklo pamieci
      "No hay memoria",
      "Nedostatek pam\xECti"}},  // Nedostatek pameti
    {MSG_NO_ARCHIVE_CREATED,
     {"No archive file created",
      "Keine Archivdatei erzeugt",
      "Plik archiwum nie zosta\xB3 utworzony",  // Plik archiwum nie zostal utworzony
      "Ninguno fichero de archivo no generado",
      "Archivn\xED soubor nebyl vytvo\xF8" "en"}},  // Archivni soubor nebyl vytvoren
    {MSG_WRITE_ERROR,
     {"Error while writing",
      "Schreibfehler",
      "B\xB3\xB9" "d podczas zapisu",  // Blad podczas zapisu
      "Error al escribir",
      "Chyba b\xEChem z\xE1pisu"}},  // Chyba behem zapisu
    {MSG_READ_ERROR,
     {"Error while reading",
      "Lesefehler",
      "B\xB3\xB9" "d odczytu",  // Blad odczytu
      "Error de lectura",
      "Chyba \xE8ten\xED souboru"}},  // Chyba cteni souboru
    {MSG_DATA_ERROR,
     {"Data error",
      "Datenfehler",
      "B\xB3\xB9" "d danych",  // Blad danych
      "Error de datos",
      "Chyba \xE8ten\xED dat"}},  // Chyba cteni dat
    {MSG_COLLECTING,
     {"Collecting files",
      "Dateien sammeln:",
      "Zbieranie plik\xF3w",  // Zbieranie plikow
      "Recopilaci\xF3n de los archivos",  // Recopilacion de los archivos
      "Sber souboru"}},
    {MSG_COPYING,
     {"Copying files",
      "Dateien kopieren:",
      "Kopiowanie plik\xF3w",  // Kopiowanie plikow
      "Copia de archivos",
      "Kop\xEDrov\xE1n\xED souboru"}},  // Kopirovani souboru
    {MSG_FRONT2,
     {"front2",
      "Front2",
      "front2",
      "frente2",
      "predn\xED" "2"}},  // predni2
    {MSG_SIDE2,
     {"side2",
      "Seite2",
      "strona2",
      "lado2",
      "strana2"}},
    {MSG_DOORS,
     {"door2,r,l",
      "T\xFCr2,r,l",  // Tur2,r,l
      "drzwi2,p,z",
      "puerta2,d,i",
      "dvere2,v,l"}},
    {MSG_LABEL_LENGTH,
     {"l",
      "l",
      "d",
      "l",
      "d"}},
    {MSG_LABEL_SIDE_HEIGHT,
     {"hs",
      "hs",
      "ws",
      "ac",
      "vb"}},
    {MSG_LABEL_WIDTH,
     {"w",
      "b",
      "s",
      "a",
      "s"}},
    {MSG_LABEL_FRONT_HEIGHT,
     {"hf",
      "hf",
      "wf",
      "af",
      "vp"}},
    {MSG_VIEW_LINE,
     {" f=%c s=%c d=%c",
      " f=%c s=%c t=%c",
      " f=%c s=%c d=%c",
      " f=%c l=%c p=%c",
      " p=%c s=%c d=%c"}},
    {MSG_VIEW_CHARACTERS,
     {"1212-RL2",
      "1212-RL2",
      "1212-PZ2",
      "1212-di2",
      "1212-VL2"}}
};
