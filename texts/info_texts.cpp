#include "texts/info_texts.h"

namespace tv {
namespace {

using Pieces = std::array<std::string_view, kInfoTextPieceCount>;

constexpr Pieces kGerman = {
    "Installation DL",
    "Haftungsausschluß",
    "Sie allein sind für die Installation und den Gebrauch dieses Programms verantwortlich "
    "und für alles, was daraus folgt, auch für jede Aussendung, die es über Ihren Sender "
    "auslöst. Wer das nicht annimmt, bricht die Installation jetzt ab.",
    "Installation",
    "Tonvogel richtet sich neu ein: Im Programmordner %1 entstehen die Einstellungsdatei "
    "Tonvogel.ini und beim ersten Aufnehmen die Unterordner für die Aufnahmen (W, CQFiles und "
    "der Datumsbaum des Funknetzes). Den Starter auf dem Schreibtisch legt das Kästchen unten "
    "an; die Einstellungen und der Start bei der Anmeldung folgen danach im Fenster "
    "Einstellungen. Weitere Hilfe steht "
    "in der PDF-Hilfedatei der Sprache: deutsch Tonvogel.pdf, englisch Hlp/GB.pdf, beide im "
    "Programmordner (Menü Datei, Info).",
    "Deinstallation",
    "Tonvogel braucht außer sich selbst nur die Qt-6- und ALSA-Bibliotheken, die jede "
    "Linux-Verteilung als Pakete mitbringt; alles Eigene liegt im Programmordner. Wer den "
    "ganzen Programmordner löscht, hat Tonvogel deinstalliert, ohne dass etwas zurückbleibt "
    "(die Aufnahmen liegen dort auch, wenn kein anderer Aufnahmeordner gewählt ist: vorher "
    "sichern!).\rVorher den Start bei der Anmeldung in den Einstellungen ausschalten; ein "
    "Starter auf dem Schreibtisch (tonvogel.desktop) wird von Hand gelöscht.",
    "Anschluss an die Soundkarte",
    "Ohne Mikrofon",
    "Die besten Aufnahmen gibt der Empfänger, der direkt mit dem Line-Eingang der Soundkarte "
    "verbunden ist (Kopfhörer- oder Datenausgang des Geräts). Den Pegel stellen Sie mit der "
    "Lautstärkeregelung des Rechners ein (Aufnahmeregler in pavucontrol, alsamixer oder der "
    "Toneinstellung der Arbeitsoberfläche): immer sehr niedrig beginnen und langsam erhöhen, "
    "bis der Pegelbalken bei Sprache deutlich ausschlägt, ohne anzuschlagen.",
    "Mit Mikrofon",
    "Mit einem Mikrofon vor dem Lautsprecher schalten Sie, wo der Rechner sie anbietet, die "
    "automatische Pegelregelung ein (in alsamixer oft \"Auto Gain Control\"). Besser ist ein "
    "eigener Mikrofonvorverstärker oder ein Tischmikrofon mit Pegelregelung (ALC): so werden "
    "die Aufnahmen unverzerrt und laut genug.",
    "Anmerkungen",
    "Entwickelt und getestet unter Debian GNU/Linux 12 mit Qt 6. Für weitere Einsätze, "
    "Steuerverstärker oder Erweiterungen wenden Sie sich an den Autor. Die gewerbliche Nutzung "
    "ist untersagt; der private Gebrauch und die Weitergabe unter Funkamateuren sind "
    "ausdrücklich erlaubt.",
    "Kontakt: über die Projektseite von Tonvogel für Linux (siehe README).",
    "Viel Spaß!  73 de Tonvogel",
};

constexpr Pieces kEnglish = {
    "Installation",
    "Disclaimer",
    "You alone are responsible for installing and using this program and for whatever follows "
    "from it, including every transmission it makes through your transmitter. By continuing "
    "the installation you agree to this; if you do not, cancel the installation now.",
    "Installation",
    "Tonvogel sets itself up anew: the program folder %1 receives the settings file "
    "Tonvogel.ini and, with the first recording, the folders for the recordings (W, CQFiles and "
    "the dated tree of the radio network). The box below makes a launcher on the desktop; the "
    "settings and start at login follow afterwards in the Settings window. Further help is in the "
    "PDF help file of your "
    "language: English Hlp/GB.pdf, German Tonvogel.pdf, both in the program folder (menu File, "
    "Info).",
    "Uninstall",
    "Besides itself Tonvogel needs only the Qt 6 and ALSA libraries, which every Linux "
    "distribution ships as packages; everything of its own lies in the program folder. "
    "Deleting the whole program folder uninstalls Tonvogel and leaves nothing behind (the "
    "recordings are kept there too unless another recordings folder was chosen: save them "
    "first!).\rSwitch off start at login in the settings beforehand; a desktop launcher "
    "(tonvogel.desktop) is deleted by hand.",
    "Connecting the soundcard",
    "Without using a microphone",
    "The best recordings come from a receiver connected directly to the line input of the "
    "sound card (its headphone or data output). Set the level with the computer's volume "
    "control (the capture control in pavucontrol, alsamixer or the desktop's sound settings): "
    "always start very low and raise it slowly until the level bar moves clearly with speech "
    "without hitting the end.",
    "Using a microphone",
    "With a microphone in front of the loudspeaker, switch on the automatic level control "
    "where the computer offers one (in alsamixer often \"Auto Gain Control\"). A separate "
    "microphone preamplifier or a desk microphone with level control (ALC) is better still: "
    "the recordings are then undistorted and loud enough.",
    "Remarks",
    "Developed and tested on Debian GNU/Linux 12 with Qt 6. For further uses, control "
    "amplifiers or extensions, please contact the author. Commercial use is prohibited; "
    "private use and passing the program on among radio amateurs are expressly allowed.",
    "Contact: through the project page of Tonvogel for Linux (see the README).",
    "Have fun!  73 de Tonvogel",
};

std::string withFolder(std::string_view piece, std::string_view folder) {
  std::string text(piece);
  const std::size_t at = text.find("%1");
  if (at != std::string::npos) text.replace(at, 2, folder);
  return text;
}

}  // namespace

std::array<std::string, 21> infoTextPieces(Language language, std::string_view programFolder) {
  const Pieces& pieces = language == Language::English ? kEnglish : kGerman;
  std::array<std::string, 21> texts;
  for (int n = 1; n <= kInfoTextPieceCount; ++n)
    texts[static_cast<std::size_t>(n)] =
        withFolder(pieces[static_cast<std::size_t>(n - 1)], programFolder);
  return texts;
}

}  // namespace tv
