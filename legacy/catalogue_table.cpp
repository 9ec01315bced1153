// The catalogue of the legacy program: messages 0 to 19. All but three rows are the current
// program's; the usage text (6) names only the legacy commands and options, the extraction result
// (7) uses "%i" throughout, and "file already exists" (13) ends with a line break of its own.
// Texts are stored as in console/catalogue_rows.h: bytes of their code page written as escapes,
// the text in plain letters in a comment, "?\?" against trigraphs.
#include "console/catalogue_rows.h"

namespace {

// Message 6 in English.
constexpr char legacy_usage_english[] =
    "VORAX command directory filename [options]\n"
    "\n"
    "Commands: V2|V4|S1|S2|S4|U1|U2|U4|X\n"
    "V2: \"directory\\*.fz2\" => \"filename.fz2\"\n"
    "V4: \"directory\\*.fz4\" => \"filename.fz4\"\n"
    "Sn: \"directory\\*.gzn\" => \"filename\"\n"
    "Un: \"directory\\u?\?-?\?\?-filename.gzn\" => \"filename[.uzn]\"\n"
    "X: in \"filename\" stored files => \"directory\\*.*\"\n"
    "\n"
    "Options: [O][S]\n"
    "O: Overwrite existing files\n"
    "S: Simulation mode (write nothing)\n"
    "\n"
    "No spaces in names\n"
    "Commands/Options case insensitive";

// Message 6 in German: unlike the current text, no empty line after the commands line nor after
// the options line.
constexpr char legacy_usage_german[] =
    "VORAX Kommando Verzeichnis Dateiname [Optionen]\n"
    "\n"
    "Kommandos: V2|V4|S1|S2|S4|U1|U2|U4|X\n"
    "V2: \"Verzeichnis\\*.fz2\" => \"Dateiname.fz2\"\n"
    "V4: \"Verzeichnis\\*.fz4\" => \"Dateiname.fz4\"\n"
    "Sn: \"Verzeichnis\\*.gzn\" => \"Dateiname\"\n"
    "Un: \"Verzeichnis\\u?\?-?\?\?-Dateiname.gzn\" => \"Dateiname[.uzn]\"\n"
    "X: in \"Dateiname\" enthaltene Dateien => \"Verzeichnis\\*.*\"\n"
    "\n"
    "Optionen: [O][S]\n"
    "O: \xDC" "berschreiben existierender Dateien\n"  // O: Uberschreiben existierender Dateien
    "S: Simulationsmodus (nichts schreiben)\n"
    "\n"
    "Keine Leerzeichen in Namen\n"
    // Kommandos/Optionen Gross-/Kleinschreibung egal
    "Kommandos/Optionen Gro\xDF-/Kleinschreibung egal";

// Message 6 in Polish.
constexpr char legacy_usage_polish[] =
    // VORAX polecenie sciezka nazwa_pliku [opcje]
    "VORAX polecenie \x9C" "cie\xBFka nazwa_pliku [opcje]\n"
    "\n"
    "Polecenia: V2|V4|S1|S2|S4|U1|U2|U4|X\n"
    // V2: ,,sciezka\*.fz2'' => ,,nazwa_pliku.fz2''
    "V2: \x84\x9C" "cie\xBFka\\*.fz2\x94 => \x84nazwa_pliku.fz2\x94\n"
    // V4: ,,sciezka\*.fz4'' => ,,nazwa_pliku.fz4''
    "V4: \x84\x9C" "cie\xBFka\\*.fz4\x94 => \x84nazwa_pliku.fz4\x94\n"
    // Sn: ,,sciezka\*.gzn'' => ,,nazwa_pliku''
    "Sn: \x84\x9C" "cie\xBFka\\*.gzn\x94 => \x84nazwa_pliku\x94\n"
    // Un: ,,sciezka\u??-???-nazwa_pliku.gzn'' => ,,nazwa_pliku[.uzn]''
    "Un: \x84\x9C" "cie\xBFka\\u?\?-?\?\?-nazwa_pliku.gzn\x94 => \x84nazwa_pliku[.uzn]\x94\n"
    // X: pliki zawarte w ,,nazwa_pliku'' => ,,sciezka\*.*''
    "X: pliki zawarte w \x84nazwa_pliku\x94 => \x84\x9C" "cie\xBFka\\*.*\x94\n"
    "\n"
    "Opcje: [O][S]\n"
    "O: Nadpisuj istniej\xB9" "ce pliki\n"  // O: Nadpisuj istniejace pliki
    "S: Tryb symulacji (bez zapisu)\n"
    "\n"
    // Nazwy plikow/katalogow nie moga zawierac spacji
    "Nazwy plik\xF3w/katalog\xF3w nie mog\xB9 zawiera\xE6 spacji\n"
    // Wielkosc liter nie jest uwzgledniana w poleceniach/opcjach
    "Wielko\x9C\xE6 liter nie jest uwzgl\xEA" "dniana w poleceniach/opcjach";

// Message 6 in Spanish.
constexpr char legacy_usage_spanish[] =
    "VORAX comando directorio nombre_de_fichero [opciones]\n"
    "\n"
    "Comandos: V2|V4|S1|S2|S4|U1|U2|U4|X\n"
    "V2: \"directorio\\*.fz2\" => \"nombre.fz2\"\n"
    "V4: \"directorio\\*.fz4\" => \"nombre.fz4\"\n"
    "Sn: \"directorio\\*.gzn\" => \"nombre\"\n"
    "Un: \"directorio\\u?\?-?\?\?-nombre.gzn\" => \"nombre[.uzn]\"\n"
    "X: ficheros guardados en \"nombre\" => \"directorio\\*.*\"\n"
    "\n"
    "Opciones: [O][S]\n"
    "O: reemplazar ficheros existente\n"
    // S: modo de la simulacion (no escribir nada)
    "S: modo de la simulaci\xF3n (no escribir nada)\n"
    "\n"
    "No espacios en nombres\n"
    // Comandos/opciones insignificantes si con mayuscula/minuscula
    "Comandos/opciones insignificantes si con may\xFAscula/min\xFAscula";

// Message 6 in Czech.
constexpr char legacy_usage_czech[] =
    // VORAX prikaz cesta nazev_souboru [volby]
    "VORAX p\xF8\xEDkaz cesta n\xE1zev_souboru [volby]\n"
    "\n"
    "P\xF8\xEDkazy: V2|V4|S1|S2|S4|U1|U2|U4|X\n"  // Prikazy: V2|V4|S1|S2|S4|U1|U2|U4|X
    // V2: "cesta\*.FZ2" => "nazev_souboru.FZ2"
    "V2: \"cesta\\*.FZ2\" => \"n\xE1zev_souboru.FZ2\"\n"
    // V4: "cesta\*.FZ4" => "nazev_souboru.FZ4"
    "V4: \"cesta\\*.FZ4\" => \"n\xE1zev_souboru.FZ4\"\n"
    "Sn: \"cesta\\*.GZn\" => \"n\xE1zev_souboru\"\n"  // Sn: "cesta\*.GZn" => "nazev_souboru"
    // Un: "cesta\u??-???-nazev_souboru.GZn" => "nazev_souboru[.UZn]"
    "Un: \"cesta\\u?\?-?\?\?-n\xE1zev_souboru.GZn\" => \"n\xE1zev_souboru[.UZn]\"\n"
    // X: soubory obsazene v "nazev_souboru" => "cesta\*.*"
    "X: soubory obsa\x9E" "en\xE9 v \"n\xE1zev_souboru\" => \"cesta\\*.*\"\n"
    "\n"
    "Volby: [O][S]\n"
    "O: P\xF8" "epsat existuj\xED" "c\xED soubory\n"  // O: Prepsat existujici soubory
    "S: M\xF3" "d simulace (bez z\xE1pisu)\n"  // S: Mod simulace (bez zapisu)
    "\n"
    // Nazvy souboru a slozek nesmi obsahovat mezery
    "N\xE1zvy soubor\xF9 a slo\x9E" "ek nesm\xED obsahovat mezery\n"
    // Prikazy a volby nerozlisuji velikost pismen.
    "P\xF8\xEDkazy a volby nerozli\x9Auj\xED velikost p\xEDsmen.";

}  // namespace

const catalogue_row message_catalogue[] = {
    current_rows[0],
    current_rows[1],
    current_rows[2],
    current_rows[3],
    current_rows[4],
    current_rows[5],
    {MSG_USAGE,
     {legacy_usage_english, legacy_usage_german, legacy_usage_polish, legacy_usage_spanish,
      legacy_usage_czech}},
    {MSG_EXTRACT_RESULT,
     {"Files found: %i  extracted: %i  skipped: %i",
      // Dateien gefunden: %i  ausgepackt: %i  ubersprungen: %i
      "Dateien gefunden: %i  ausgepackt: %i  \xFC" "bersprungen: %i",
      // Znaleziono plikow: %i  wypakowano: %i  pominieto: %i
      "Znaleziono plik\xF3w: %i  wypakowano: %i  pomini\xEAto: %i",
      "Ficheros encontrados: %i  generados: %i  cancelados: %i",
      // Nalezeno souboru: %i  Rozbaleno: %i  Preskoceno: %i
      "Nalezeno soubor\xF9: %i  Rozbaleno: %i  P\xF8" "esko\xE8" "eno: %i"}},
    current_rows[8],
    current_rows[9],
    current_rows[10],
    current_rows[11],
    current_rows[12],
    {MSG_FILE_EXISTS,
     {"File already exists\n",
      "Datei existiert schon\n",
      "Plik ju\xBE istnieje\n",  // code page 852, Plik juz istnieje
      "El fichero ya existe\n",
      "Soubor ji\xA7 existuje\n"}},  // code page 852, Soubor jiz existuje
    current_rows[14],
    current_rows[15],
    current_rows[16],
    current_rows[17],
    current_rows[18],
    current_rows[19],
    {CATALOGUE_END, {nullptr, nullptr, nullptr, nullptr, nullptr}}};
