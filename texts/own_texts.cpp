#include "texts/own_texts.h"

#include <array>

namespace tv {
namespace {

struct OwnTextRow {
  OwnText id;
  std::string_view german;
  std::string_view english;
};

constexpr std::array<OwnTextRow, kOwnTextCount> kOwnTexts{{
    {OwnText::SettingsWriteFailed,
     "Die Einstellungsdatei %1 konnte nicht geschrieben werden (%2). Die bisherige Datei bleibt "
     "erhalten; die Einstellungen gelten weiter, bis das Programm endet.",
     "The settings file %1 could not be written (%2). The previous file is kept; the settings "
     "stay in force until the program ends."},
    {OwnText::SettingsKeptAsBad, "Die unlesbare Einstellungsdatei wurde als %1 aufbewahrt.",
     "The unreadable settings file was kept as %1."},
    {OwnText::CqFolderFailed, "Der CQ-Ordner %1 konnte nicht angelegt werden (%2).",
     "The CQ folder %1 could not be created (%2)."},
    {OwnText::AutostartWriteFailed,
     "Der Eintrag %1 für den Start bei der Anmeldung konnte nicht geschrieben werden (%2).",
     "The start-at-login entry %1 could not be written (%2)."},
    {OwnText::AutostartDeleteFailed,
     "Der Eintrag %1 für den Start bei der Anmeldung konnte nicht gelöscht werden (%2).",
     "The start-at-login entry %1 could not be deleted (%2)."},
    {OwnText::SerialNoRights,
     "Die Schnittstelle %1 ist vorhanden, darf aber nicht geöffnet werden. Nehmen Sie den "
     "Benutzer in die Gruppe \"dialout\" auf (sudo usermod -aG dialout $USER) und melden Sie "
     "sich neu an.",
     "The port %1 exists but may not be opened. Add the user to the group \"dialout\" (sudo "
     "usermod -aG dialout $USER) and log in again."},
    {OwnText::SerialOpenFailed, "Die Schnittstelle %1 konnte nicht geöffnet werden (%2).",
     "The port %1 could not be opened (%2)."},
    {OwnText::SoundDeviceFailed, "Der Soundeingang %1 konnte nicht geöffnet werden (%2).",
     "The sound input %1 could not be opened (%2)."},
    {OwnText::SoundDeviceLost,
     "Der Soundeingang %1 ist ausgefallen (%2). Der Recorder wartet darauf und läuft wieder, "
     "sobald er zurück ist.",
     "The sound input %1 stopped (%2). The recorder waits for it and runs again as soon as it "
     "is back."},
    {OwnText::RecordingSaveFailed, "Die Aufnahme %1 konnte nicht gespeichert werden (%2).",
     "The recording %1 could not be saved (%2)."},
    {OwnText::InputFileFailed, "Die Eingabedatei %1 konnte nicht gelesen werden (%2).",
     "The input file %1 could not be read (%2)."},
    {OwnText::NoTrayArea,
     "Diese Arbeitsoberfläche hat keinen Infobereich. Die Befehle des Infobereich-Menüs stehen "
     "im Hauptmenü.",
     "This desktop has no notification area. The tray menu's actions are in the main menu."},
    {OwnText::SerialPortLost,
     "Die Schnittstelle %1 ist weg (%2). Der Sender ist freigegeben, Senden ist nicht möglich, "
     "bis sie wiederkommt; das Programm hält Ausschau nach ihr.",
     "The serial port %1 is gone (%2). The transmitter is released and cannot be keyed until "
     "the port returns; the program is watching for it."},
    {OwnText::SerialPortBack,
     "Die Schnittstelle ist wieder da (%1); ihre Leitungen sind zurückgesetzt, Senden ist "
     "wieder möglich.",
     "The serial port is back (%1); its lines are cleared and the transmitter can be keyed "
     "again."},
    {OwnText::SerialInUse,
     "Die Schnittstelle %1 wird von %2 benutzt und wurde nicht angerührt. Geben Sie sie dort "
     "frei und drücken Sie dann \"Änderungen übernehmen\".",
     "The port %1 is in use by %2 and was left untouched. Free it there, then press \"Accept "
     "changes\"."},
    {OwnText::HelpViewerFailed, "Die Hilfedatei %1 konnte nicht geöffnet werden (%2).",
     "The help file %1 could not be opened (%2)."},
    {OwnText::TxTimeoutExpired,
     "Der Sender war länger als %1 Sekunden getastet und wurde abgeschaltet.",
     "The transmitter was keyed for longer than %1 seconds and has been released."},
    {OwnText::TxTimeoutLabel, "TX-Zeitlimit (Sek.)", "TX time-out (s)"},
    {OwnText::CutSaveAsCqCaption, "als CQ", "Save as CQ"},
    {OwnText::CutRemoveCaption, "ausschneiden", "Cut out"},
    {OwnText::CutBackCaption, "zurück", "Back"},
    {OwnText::DeleteQuestion, "Wirklich loeschen!?", "Really delete?!"},
    {OwnText::DeleteYes, "Ja", "Yes"},
    {OwnText::DeleteNo, "Nein", "No"},
    {OwnText::ParrotCaption, "Papagei", "Parrot"},
    {OwnText::TxTimeoutTip,
     "Längste ununterbrochene Sendung in Sekunden, danach wird der Sender abgeschaltet (0 = "
     "ohne Begrenzung)",
     "Longest continuous transmission in seconds; the transmitter is released after it (0 = no "
     "limit)"},
    {OwnText::NoSoundOutput,
     "Es ist keine Soundausgabe vorhanden: Wiedergabe und Auto-TX laufen nach der Uhr weiter, "
     "aber es ist nichts zu hören.",
     "There is no sound output: playback and Auto-TX keep time by the clock, but nothing can be "
     "heard."},
    {OwnText::RecordingKept,
     "Die Aufnahme %1 konnte nicht in den Sammelordner W kopiert werden (%3). Sie bleibt in %2 "
     "und wird beim nächsten Start abgelegt.",
     "The recording %1 could not be copied into the collecting folder W (%3). It is kept in %2 "
     "and filed at the next start."},
    {OwnText::NetworkNumberRefused,
     "Die Funkkreisnummer \"%1\" ist nicht möglich: Die Namen der Aufnahmen haben Platz für "
     "eine Ziffer (0 bis 9). Die Nummer %2 bleibt.",
     "The network number \"%1\" cannot be used: recording names have room for one digit (0 "
     "to 9). The number stays %2."},
    {OwnText::DesktopLauncherFailed,
     "Der Starter %1 auf dem Schreibtisch konnte nicht angelegt werden (%2).",
     "The desktop launcher %1 could not be written (%2)."},
    {OwnText::AutoTxNotPlayable,
     "Die Datei %1 lässt sich nicht abspielen. Auto-TX sendet nichts, der Sender bleibt "
     "abgeschaltet.",
     "The file %1 cannot be played. Auto-TX sends nothing and the transmitter stays released."},
    {OwnText::AutoTxNoLength,
     "Die Datei %1 ist 0 Sekunden lang. Auto-TX sendet nur Dateien mit Ton.",
     "The file %1 is 0 seconds long. Auto-TX sends only files that hold sound."},
    {OwnText::SendKeyReadFailed,
     "Die Sendetaste kann an der Schnittstelle nicht abgefragt werden, darum wurde Auto-TX "
     "beendet. Grund: %1",
     "The send key cannot be read from the serial port, so Auto-TX has stopped. Reason: %1"},
    {OwnText::CqNameRefused,
     "Der Name \"%1\" geht für eine CQ-Datei nicht: Er muss ein bloßer Dateiname mit mehr als "
     "6 Zeichen sein, ohne Ordner, ohne \"..\" und nicht mit einem Punkt am Anfang. Es wurde "
     "nichts geändert.",
     "The name \"%1\" cannot be used for a CQ file: it must be a plain file name of more than "
     "6 characters, without a folder, without \"..\" and not starting with a dot. Nothing was "
     "changed."},
    {OwnText::CqNothingLoaded,
     "Im Abspielfenster ist keine Aufnahme geladen, die als CQ-Datei gespeichert werden kann.",
     "No recording is loaded in the playback window that could be saved as a CQ file."},
    {OwnText::CqCopyFailed,
     "%1 konnte nicht nach %2 kopiert werden (%3). Die Auto-TX-Datei bleibt unverändert.",
     "%1 could not be copied to %2 (%3). The Auto-TX file stays as it was."},
    {OwnText::CqRenameFailed,
     "Die CQ-Datei %1 konnte nicht in %2 umbenannt werden (%3). Es wurde nichts geändert.",
     "The CQ file %1 could not be renamed to %2 (%3). Nothing was changed."},
    {OwnText::CqDeleteFailed, "Die CQ-Datei %1 konnte nicht gelöscht werden (%2).",
     "The CQ file %1 could not be deleted (%2)."},
    {OwnText::RecordingDeleteFailed, "Die Aufnahme %1 konnte nicht gelöscht werden (%2).",
     "The recording %1 could not be deleted (%2)."},
    {OwnText::EditReadFailed,
     "Die Aufnahme %1 konnte nicht gelesen werden (%2). Es wurde nichts gespeichert.",
     "The recording %1 could not be read (%2). Nothing was saved."},
    {OwnText::EditSaveFailed, "Die Datei %1 konnte nicht gespeichert werden (%2).",
     "The file %1 could not be saved (%2)."},
    {OwnText::EditRestTooShort,
     "Nach dem Schneiden blieben %1 Sekunden, nicht mehr als die Mindestaufnahmezeit von %2 "
     "Sekunden: Die Liste würde die Aufnahme gleich löschen. Es wurde nichts geschnitten.",
     "The cut would leave %1 seconds, no more than the minimum recording time of %2 seconds, "
     "and the list would delete that recording at once. Nothing was cut."},
    {OwnText::NoticesCaption, "Meldungen der Station", "Station notices"},
    {OwnText::NoticesClose, "Schliessen", "Close"},
    {OwnText::NoticeLineHint, "Klick: die letzten Meldungen", "Click: the recent notices"},
    {OwnText::MoreSettingsTitle, "Weitere Einstellungen", "More settings"},
    {OwnText::MoreSettingsOpen, "Weitere…", "More…"},
    {OwnText::MoreSettingsOpenTip,
     "Zweite Seite der Einstellungen: Sendeausgabe, Sendertastung, Archiv",
     "Second page of the settings: transmit output, keying, archive"},
    {OwnText::TxOutputLabel, "Sendeausgabe", "Transmit output"},
    {OwnText::TxOutputTip,
     "Gerät, auf dem Auto-TX, die Sendung nach Zeitplan und die Wiedergabe bei gedrückter "
     "TX-Taste klingen, z. B. die Soundkarte am Sender oder pulse:NAME (leer = default)",
     "Device that Auto-TX, the timed transmission and playback while TX is pressed sound on, "
     "e.g. the sound card at the transmitter or pulse:NAME (empty = default)"},
    {OwnText::KeyingLabel, "Sendertastung", "Keying method"},
    {OwnText::KeyingTip,
     "Wie der Sender getastet wird: serial = DTR/RTS der seriellen Schnittstelle, rigctld = "
     "Hamlibs rigctld über das Netz, cm108 = GPIO einer CM108-Soundkarte, none = gar nicht",
     "How the transmitter is keyed: serial = the serial port's DTR/RTS, rigctld = Hamlib's "
     "rigctld over the network, cm108 = a CM108 sound interface's GPIO, none = not at all"},
    {OwnText::TxDelayLabel, "TX-Verzögerung", "TX delay"},
    {OwnText::TxDelayTip,
     "Millisekunden zwischen dem Tasten und dem Beginn des Tons (Standard 0, bei rigctld 150)",
     "Milliseconds between keying and the start of the sound (default 0, 150 for rigctld)"},
    {OwnText::PttCommandLabel, "rigctld-PTT", "rigctld PTT"},
    {OwnText::PttCommandTip,
     "Nur für rigctld: T1 tastet den Sender, T3 tastet ihn mit dem Ton vom Datenanschluss",
     "rigctld only: T1 keys the transmitter, T3 keys it with the audio of the data port"},
    {OwnText::RigctldAddressLabel, "rigctld-Adresse", "rigctld address"},
    {OwnText::RigctldAddressTip,
     "Rechner und Port des rigctld als Rechner:Port (Standard localhost:4532)",
     "Host and port of rigctld as host:port (default localhost:4532)"},
    {OwnText::Cm108Label, "CM108 und GPIO", "CM108 and GPIO"},
    {OwnText::Cm108Tip,
     "USB-Pfad oder Gerät (z. B. /dev/hidraw2) der CM108-Soundkarte, dann die GPIO-Nummer; "
     "leer = unter den Soundkarten gesucht, GPIO 3",
     "USB path or device (e.g. /dev/hidraw2) of the CM108 sound interface, then the GPIO "
     "number; empty = found among the sound cards, GPIO 3"},
    {OwnText::BusyWaitLabel, "Warten bei belegtem Kanal", "Busy-channel wait"},
    {OwnText::BusyWaitTip,
     "So viele Sekunden wird vor dem Senden höchstens gewartet, bis der Kanal frei ist (0 = "
     "aus)",
     "Longest wait in seconds for a clear channel before transmitting (0 = off)"},
    {OwnText::ArchiveFormatLabel, "Archivformat", "Archive format"},
    {OwnText::ArchiveFormatTip,
     "Format der Kopien im Dokumentationsbaum: wav, flac (verlustfrei), opus (Sprache, klein) "
     "oder mp3; W bleibt WAV",
     "Format of the copies in the dated tree: wav, flac (lossless), opus (speech, small) or "
     "mp3; W stays WAV"},
    {OwnText::AfterRecordingLabel, "Befehl nach jeder Aufnahme", "Command after each recording"},
    {OwnText::AfterRecordingTip,
     "Wird nach jeder gespeicherten Aufnahme ohne Shell ausgeführt; %f = archivierte Datei, "
     "%w = Kopie in W, %n = Name, %s = Sekunden (leer = keiner)",
     "Run after each recording has been saved, without a shell; %f = archived file, %w = copy "
     "in W, %n = name, %s = seconds (empty = none)"},
    {OwnText::ArchiveCapLabel, "Archiv höchstens", "Archive cap"},
    {OwnText::ArchiveCapTip,
     "Größter Platz, den das Archiv belegen darf, in MB; die ältesten Aufnahmen des "
     "Dokumentationsbaums gehen zuerst, W nie (0 = keine Grenze)",
     "Most space the archive may take, in MB; the oldest recordings of the dated tree go "
     "first, W never (0 = no cap)"},
    {OwnText::SecondsUnit, "Sek.", "s"},
    {OwnText::MoreSettingsAccept, "Änderungen übernehmen", "Accept changes"},
    {OwnText::MoreSettingsAcceptTip, "Speichert die Einstellungen beider Seiten und übernimmt sie",
     "Saves the settings of both pages and puts them into effect"},
    {OwnText::MoreSettingsClose, "Schließen", "Close"},
    {OwnText::MoreSettingsCloseTip,
     "Schließt diese Seite; gespeichert wird mit \"Änderungen übernehmen\"",
     "Closes this page; the settings are saved with \"Accept changes\""},
    {OwnText::TxInUseRefused,
     "Auto-TX oder die stündliche Durchsage sendet gerade: Wiedergabe und TX sind bis zu deren "
     "Ende gesperrt.",
     "Auto-TX or the hourly announcement is on the air: playback and TX are locked until it "
     "has ended."},
    {OwnText::TxNoSoundOutput, "es ist keine Soundausgabe vorhanden, niemand würde etwas hören",
     "there is no sound output, nobody would hear anything"},
    {OwnText::TxSoundStalled, "die Soundausgabe steht seit %1 s still",
     "the sound output has stood still for %1 s"},
    {OwnText::AutoTxNotSent,
     "Auto-TX kann %1 nicht senden (%2). Auto-TX ist beendet, der Sender ist abgeschaltet.",
     "Auto-TX cannot send %1 (%2). Auto-TX has stopped and the transmitter is released."},
    {OwnText::AutoTxEndedByLoad,
     "Auto-TX ist beendet, weil eine andere Datei in das Wiedergabefenster geladen wurde; der "
     "Sender ist abgeschaltet.",
     "Auto-TX has stopped because another file was loaded into the playback window; the "
     "transmitter is released."},
    {OwnText::ScheduleSkippedInUse,
     "Die Durchsage von %1 entfällt: der Sender war %2 s lang von Hand belegt.",
     "The announcement of %1 is skipped: the transmitter was in use by hand for %2 s."},
    {OwnText::SchedulePlaybackStopped, "Die Wiedergabe wurde für die stündliche Durchsage beendet.",
     "Playback was stopped for the hourly announcement."},
    {OwnText::ScheduleNotSent,
     "Die Durchsage von %1 kann %2 nicht senden (%3); der Sender ist abgeschaltet.",
     "The announcement of %1 cannot send %2 (%3); the transmitter is released."},
    {OwnText::ScheduleSkippedLate,
     "Die Durchsage von %1 entfällt: die Uhr hat den Zeitpunkt um %2 s übersprungen (Uhr "
     "gestellt oder Rechner aufgeweckt).",
     "The announcement of %1 is skipped: the clock came %2 s past its moment (the clock was "
     "set or the computer woke up)."},
    {OwnText::ScheduleSkippedTooSoon,
     "Die Durchsage von %1 entfällt: die letzte ging erst vor %2 s hinaus (Uhr zurückgestellt).",
     "The announcement of %1 is skipped: the last one went out only %2 s ago (the clock was "
     "set back)."},
    {OwnText::ChannelBusySkipped, "%1 entfällt: der Kanal war %2 s lang belegt.",
     "%1 skipped: the channel was busy for %2 s."},
    {OwnText::LockoutNoInput,
     "Die Sperre bei belegtem Kanal ist aus: es gibt keinen Soundeingang zum Mithören (%1).",
     "The busy-channel lockout is off: there is no sound input to listen to (%1)."},
    {OwnText::ProgramFolderUnwritable,
     "In den Programmordner %1 kann nicht geschrieben werden (%2). Die Einstellungen gelten "
     "nur, bis das Programm endet. Starten Sie Tonvogel mit einem eigenen Ordner: tonvogel "
     "--program-folder ~/tonvogel",
     "The program folder %1 cannot be written (%2). The settings last only until the program "
     "ends. Start Tonvogel with a folder of your own: tonvogel --program-folder ~/tonvogel"},
    {OwnText::SettingsRecovered,
     "Die Einstellungsdatei %1 war leer oder unvollständig (%2 Zeilen), etwa nach einem "
     "Stromausfall. Die Einstellungen der letzten Speicherung wurden aus %3 wiederhergestellt.",
     "The settings file %1 was empty or cut short (%2 lines), as after a power cut. The "
     "settings of the last save were restored from %3."},
    {OwnText::FolderLockUnavailable,
     "Es lässt sich nicht sicherstellen, dass Tonvogel im Ordner %1 nur einmal läuft (%2). "
     "Aufnahmen, die ein früherer Lauf nicht ablegen konnte, bleiben bis zum nächsten Start "
     "liegen.",
     "Tonvogel cannot make sure that it runs only once in the folder %1 (%2). Recordings an "
     "earlier run could not file are left until the next start."},
    {OwnText::WindowsRecordingsFolder,
     "Der Aufnahmeordner %1 stammt aus dem Windows-Programm. Bis Sie in den Einstellungen "
     "einen Ordner wählen, gehen die Aufnahmen in den Programmordner %2.",
     "The recordings folder %1 comes from the Windows program. Until you choose a folder in "
     "the settings, recordings go into the program folder %2."},
    {OwnText::TakeWriteFailed,
     "Die Aufnahme %1 konnte nicht weiter geschrieben werden (%2). Sie endet mit ihrer letzten "
     "vollen Sekunde; beim nächsten Signal versucht der Recorder es wieder.",
     "The recording %1 could not be written any further (%2). It ends with its last whole "
     "second; the recorder tries again at the next signal."},
    {OwnText::RecordingSaveKept,
     "Die Aufnahme %1 konnte nicht gesichert werden (%2). Was von ihr geschrieben ist, bleibt "
     "in %3 und wird beim nächsten Start abgelegt.",
     "The recording %1 could not be saved (%2). What was written of it is kept in %3 and "
     "filed at the next start."},
    {OwnText::LeftoverFiled,
     "Die Aufnahme %1 lag noch vom letzten Lauf im Arbeitsordner und ist jetzt abgelegt.",
     "The recording %1 was left in the working folder by the last run and is filed now."},
    {OwnText::RecordingsFolderMissing,
     "Der Aufnahmeordner %1 ist nicht da. Er wird nicht neu angelegt: Die Aufnahme %2 bleibt in "
     "%3 und wird abgelegt, sobald der Ordner wieder da ist.",
     "The recordings folder %1 is not there. It is not made anew: the recording %2 stays in %3 "
     "and is filed as soon as the folder is back."},
    {OwnText::RecordingsFolderEmpty,
     "Im Aufnahmeordner %1 fehlt der Ordner W, den er beim letzten Ablegen hatte; so sieht der "
     "leere Einhängepunkt einer nicht eingehängten Platte aus. Dort wird nichts angelegt: Die "
     "Aufnahme %2 bleibt in %3 und wird abgelegt, sobald der Ordner wieder da ist.",
     "The recordings folder %1 lacks the W folder it had at the last filing, as the empty mount "
     "point of a disk that is not mounted does. Nothing is made there: the recording %2 stays "
     "in %3 and is filed as soon as the folder is back."},
    {OwnText::TreeCopyFailed,
     "Die Aufnahme %1 konnte nicht in den Dokumentationsbaum kopiert werden (%2). Sie liegt in "
     "W und steht in %3; die Kopie wird bei jedem Ablegen und jedem Start nachgeholt, und W "
     "behält die Aufnahme bis dahin.",
     "The recording %1 could not be copied into the dated tree (%2). It is in W and listed in "
     "%3; the copy is tried again at every filing and every start, and W keeps the recording "
     "until then."},
    {OwnText::EditNameTaken,
     "Eine Datei %1 gibt es schon; sie wird nicht überschrieben. Es wurde nichts gespeichert.",
     "A file %1 exists already and is not written over. Nothing was saved."},
    {OwnText::EditFolderGone,
     "Der Aufnahmeordner %1 ist nicht da (oder ihm fehlt sein Ordner W, wie einer nicht "
     "eingehängten Platte). Es wurde nichts gespeichert.",
     "The recordings folder %1 is not there (or lacks its W folder, as a disk that is not "
     "mounted does). Nothing was saved."},
    {OwnText::DefaultDesktopSound, "Standard (Desktop-Sound)", "Default (desktop sound)"},
    {OwnText::DefaultFirstCard, "Standard (erste Karte)", "Default (first card)"},
    {OwnText::SoundInputWaiting,
     "Der Soundeingang %1 lässt sich nicht öffnen (%2). Der Recorder wartet darauf und "
     "startet, sobald er da ist.",
     "The sound input %1 cannot be opened (%2). The recorder waits for it and starts as soon "
     "as it is there."},
    {OwnText::SoundInputBack, "Der Soundeingang %1 ist da, der Recorder läuft.",
     "The sound input %1 is there; the recorder runs."},
    {OwnText::DeviceHeldByServer,
     "Der Sound-Server belegt die Karte von %1: Wählen Sie in den Einstellungen seinen Namen "
     "für diese Karte, %2.",
     "The sound server holds the card of %1: choose the server's name for that card in the "
     "settings, %2."},
    {OwnText::TxOutputGone,
     "Die Sendeausgabe %1 lässt sich nicht öffnen (%2). Es wird nichts gesendet, der Sender "
     "bleibt abgeschaltet.",
     "The transmit output %1 cannot be opened (%2). Nothing is sent and the transmitter stays "
     "released."},
    {OwnText::OutputMoveFailed,
     "Die Wiedergabe ließ sich nicht auf %1 umschalten (%2) und klingt weiter, wo sie war.",
     "The playback could not move to %1 (%2) and sounds on where it was."},
    {OwnText::SoundFileReading, "%1   (wird gelesen: %2 %)", "%1   (reading: %2 %)"},
    {OwnText::DiskLowOnSpace,
     "Auf dem Datenträger des Aufnahmeordners %1 sind nur noch %2 MB frei. Ist er voll, wird "
     "nichts mehr aufgenommen; eine Grenze für das Archiv (zweite Seite der Einstellungen) "
     "löscht die ältesten Aufnahmen des Dokumentationsbaums rechtzeitig.",
     "Only %2 MB are free on the disk of the recordings folder %1. When it is full, nothing "
     "more is recorded; an archive cap (second page of the settings) deletes the oldest "
     "recordings of the dated tree in time."},
    {OwnText::ArchiveCapUnkept,
     "Im Dokumentationsbaum von %1 ist keine ältere Aufnahme mehr zu löschen: die Grenze von "
     "%3 MB oder 200 MB freier Platz lässt sich nicht halten (%2 MB frei). Ist der Datenträger "
     "voll, wird nichts mehr aufgenommen.",
     "The dated tree of %1 has no older recording left to delete: the cap of %3 MB or 200 MB "
     "of free space cannot be kept (%2 MB free). When the disk is full, nothing more is "
     "recorded."},
    {OwnText::CommandFailed, "Der Befehl nach der Aufnahme %2 ist fehlgeschlagen: %1 – %3.",
     "The command after the recording %2 failed: %1 – %3."},
    {OwnText::CommandsDropped,
     "Mehr als 100 Befehle nach Aufnahmen warteten; der älteste, für %1, entfällt.",
     "More than 100 commands after recordings were waiting; the oldest, for %1, is dropped."},
    {OwnText::HeadlessNoSettings,
     "%1 fehlt, und ohne Bildschirm gibt es kein Installationsfenster. Legen Sie die "
     "Einstellungen an, indem Sie Tonvogel einmal mit Fenstern starten (tonvogel "
     "--program-folder %2), oder kopieren Sie die Einstellungsdatei einer Station dorthin.",
     "%1 is missing, and without a screen there is no installation window. Make the settings "
     "by starting Tonvogel once with its windows (tonvogel --program-folder %2), or copy a "
     "station's settings file there."},
    {OwnText::HeadlessSettingsCorrupt,
     "%1 ist beschädigt (zu kurz oder mit einem Wert, der nicht gilt). Sie bleibt, wie sie ist: "
     "Ohne Bildschirm wird nichts darüber geschrieben. Berichtigen Sie sie, oder starten Sie "
     "Tonvogel einmal mit Fenstern (tonvogel --program-folder %2).",
     "%1 is damaged (it ends early or holds a value that cannot stand). It is left as it is: "
     "without a screen nothing is written over it. Correct it, or start Tonvogel once with its "
     "windows (tonvogel --program-folder %2)."},
    {OwnText::KeyerUnreachable,
     "Senden über %1 ist nicht möglich (%2). Der Sender bleibt abgeschaltet; das Programm "
     "versucht es alle 10 Sekunden wieder.",
     "Keying through %1 is not possible (%2). The transmitter stays off; the program tries "
     "again every 10 seconds."},
    {OwnText::KeyerBack, "%1 ist wieder erreichbar; Senden ist wieder möglich.",
     "%1 can be reached again; the transmitter can be keyed again."},
    {OwnText::KeyerFailed, "%1 hat den Sender nicht getastet (%2). Die Aussendung ist beendet.",
     "%1 did not key the transmitter (%2). The transmission has ended."},
    {OwnText::KeyerReleaseFailed,
     "%1 hat den Sender nicht freigegeben (%2). Prüfen Sie das Funkgerät!",
     "%1 did not release the transmitter (%2). Check the radio!"},
    {OwnText::SendKeyNotAvailable, "nicht verfügbar", "not available"},
}};

// A row out of place would hand every later message the wrong words.
constexpr bool rowsInEnumOrder() {
  for (std::size_t i = 0; i < kOwnTexts.size(); ++i) {
    if (static_cast<std::size_t>(kOwnTexts[i].id) != i) return false;
  }
  return true;
}
static_assert(rowsInEnumOrder(), "kOwnTexts rows must follow the order of OwnText");

}  // namespace

std::string_view ownText(OwnText text, Language language) {
  const auto index = static_cast<std::size_t>(text);
  if (index >= kOwnTexts.size()) return {};
  const OwnTextRow& row = kOwnTexts[index];
  return language == Language::German ? row.german : row.english;
}

std::string formatOwnText(OwnText text, Language language,
                          std::initializer_list<std::string_view> args) {
  const std::string_view pattern = ownText(text, language);
  std::string result;
  result.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const bool placeholder = pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
                             pattern[i + 1] <= '9';
    const std::size_t argument = placeholder ? static_cast<std::size_t>(pattern[i + 1] - '1') : 0;
    if (placeholder && argument < args.size()) {
      result += *(args.begin() + argument);
      ++i;
    } else {
      result += pattern[i];
    }
  }
  return result;
}

}  // namespace tv
