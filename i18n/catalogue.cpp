// The catalogue's texts. French in Windows-1252: \xe0 a grave, \xe7 c cedilla,
// \xe8 e grave, \xe9 e acute, \xea e circumflex, \xf4 o circumflex. A literal
// is split where a letter after an escape would read as one more hex digit
// ("d\xe9" "fectueuse").
#include "i18n/catalogue.h"

namespace voltaris {
namespace {

constexpr CatalogueEntry kEntries[] = {
    // Connection and status: monitor thread, main window, event database
    {Text::UpsConnected, "UPS is Connected!", "UPS connect\xe9!"},
    {Text::UpsDisconnected, "UPS is DisConnected!", "UPS d\xe9" "connect\xe9!"},
    {Text::UpsDisconnectedEvent, "  UPS is DisConnected!", "  UPS d\xe9" "connect\xe9!"},
    {Text::PleaseConnectUps, "Please Connected UPS!", "UPS d\xe9" "connect\xe9!"},
    {Text::ComConnected, "  COM UPS is Connected!", "   Port COM connect\xe9!"},
    {Text::UsbConnected, "  USB UPS is Connected!", "  Port USB connect\xe9!"},
    {Text::AcFail, "Ac Fail!", "Alimentation d\xe9" "fectueuse!"},
    {Text::AcRestore, "Ac Restore!", "Alimentation r\xe9tablie!"},
    {Text::AcRestoreEvent, "  AC Restore!", "  Alimentation r\xe9tablie!"},
    {Text::AcFailEvent, "  AC Fail!", "   D\xe9" "faut d'alimentation!!"},
    {Text::BatteryLow, "Battery Low!", "Batterie faible!"},
    {Text::BatteryLowEvent, "  BatteryLow Low!", "  Batterie Faible!"},
    {Text::UpsBatteryLow, "UPS Battery Low!", "Batterie de l'UPS faible!"},
    {Text::UpsFailed, "UPS is Failed!", "D\xe9" "faut UPS!"},
    {Text::UpsTypeOnLine, "UPS Type is On_Line!", "UPS On_Line!"},
    {Text::ProgramStart, "  Program Start", "  D\xe9marrage du programme"},
    {Text::ProgramEnd, "  Program End", "  Fin du programme"},
    {Text::ShutdownRefusedEvent, "  System Shutdown Refused!", "  Arr\xeat du syst\xe8me refus\xe9!"},
    {Text::RuntimeLowEvent, "  Runtime Low!", "  Autonomie insuffisante!"},
    {Text::NetworkServerNotStartedEvent, "  Network Server Not Started!", "  Serveur r\xe9seau non d\xe9marr\xe9!"},
    {Text::SecondariesLoggedOutEvent, "  Network Clients Logged Out", "  Clients r\xe9seau d\xe9" "connect\xe9s"},
    {Text::SecondariesStillLoggedInEvent, "  Network Clients Still Logged In!",
     "  Clients r\xe9seau encore connect\xe9s!"},
    {Text::CannotLoadLibrary, "Cannot Load Library", "Non charge  D\xe9p\xf4t"},
    // Self-tests and count-downs
    {Text::SelfTestCaption, "UPS Self Test ", "Autotest de "},
    {Text::SelfTest10Seconds, "UPS Self Test 10 Seconds!", "Autotest de 10 secondes!"},
    {Text::SelfTest10SecondsEvent, "  UPS SelfTest 10 Seconds!", "  Autotest de 10 secondes!"},
    {Text::SelfTestTillLow, "UPS Self Test Still Battrey Low!", "Autotest en mode batterie faible!"},
    {Text::SelfTestTillLowEvent, "  Test Still Battery Low!", "  Autotest en mode batterie faible!"},
    {Text::SelfTestCommandNotSentEvent, "  UPS SelfTest Command Not Sent!", "  Commande d'autotest non envoy\xe9" "e!"},
    {Text::SwitchOffCommandNotSentEvent, "  UPS Switch-Off Command Not Sent!", "  Commande d'arr\xea" "t de l'UPS non envoy\xe9" "e!"},
    {Text::SelfTestTitle, "UPS SelfTest", "Autotest"},
    {Text::SelfTestEventPrefix, "  UPS SelfTest ", "  Autotest de "},
    {Text::SelfTestProgress7Dots, "UPS SelfTest.......", "Autotest......."},
    {Text::SelfTestProgress6Dots, "UPS SelfTest......", "Autotest......"},
    {Text::SelfTestProgress5Dots, "UPS Selftest.....", "Autotest....."},
    {Text::ShutdownAfter, "System ShutDown After ", "Fermeture du syst\xe8me dans: "},
    {Text::ScheduleShutdownAfter, "System ShutDown After ", "Fermeture du syst\xe8me dans "},
    {Text::LeavingTime, "Leaving Time: ", "Temps restant: "},
    {Text::Seconds, " Seconds", " secondes"},
    {Text::BatteryLowSeconds, " Seconds", " Secondes"},
    {Text::ScheduleWarningEvent, "  Schedule Setting Time Up Warning!", "  Setup de la dur\xe9" "e limite de l'alerte"},
    {Text::ScheduleWarning, "Schedule Setting Time Up Warning.....", "Setup de la dur\xe9" "e limite de l'alerte....."},
    // Schedules
    {Text::OsAndUpsShutdown, "OS and UPS ShutDown", "Fermeture du syst\xe8me d'exploitation et de l'UPS"},
    {Text::WeeklyOsAndUpsShutdown, "OS and UPS ShutDown", "Fermeture du syst\xe8me\nd'exploitation et de l'UPS"},
    {Text::UpsRestart, "UPS  Restart", "Red\xe9marrage de l'UPS"},
    {Text::Monday, "Monday", "Lundi"},
    {Text::Tuesday, "Tuesday", "Mardi"},
    {Text::Wednesday, "Wednesday", "Mercredi"},
    {Text::Thursday, "Thursday", "Jeudi"},
    {Text::Friday, "Friday", "Vendredi"},
    {Text::Saturday, "Saturday", "Samedi"},
    {Text::Sunday, "Sunday", "Dimanche"},
    {Text::MondaySettingError, "Monday setting error!", "Erreur de configuration le lundi!"},
    {Text::TuesdaySettingError, "Tuesday setting error!", "Erreur de configuration le mardi!"},
    {Text::WednesdaySettingError, "Wednesday setting error!", "Erreur de configuration le mercredi!"},
    {Text::ThursdaySettingError, "Thursday setting error!", "Erreur de configuration le jeudi!"},
    {Text::FridaySettingError, "Friday setting error!", "Erreur de configuration le vendredi!"},
    {Text::SaturdaySettingError, "Saturday setting error!", "Erreur de configuration le samedi!"},
    {Text::SundaySettingError, "Sunday setting error!", "Erreur de configuration le dimanche!"},
    {Text::EventData1, "EventData1", "Donn\xe9" "es d'\xe9v\xe9nements 1"},
    {Text::EventData2, "EventData2", "Donn\xe9" "es d'\xe9v\xe9nements 2"},
    {Text::EventData3, "EventData3", "Donn\xe9" "es d'\xe9v\xe9nements 3"},
    {Text::EventData4, "EventData4", "Donn\xe9" "es d'\xe9v\xe9nements 4"},
    {Text::EventData5, "EventData5", "Donn\xe9" "es d'\xe9v\xe9nements 5"},
    {Text::EventData6, "EventData6", "Donn\xe9" "es d'\xe9v\xe9nements 6"},
    {Text::EventData7, "EventData7", "Donn\xe9" "es d'\xe9v\xe9nements 7"},
    {Text::Event1SettingError, "Event1 setting error!", "Erreur de configuration le Event1!"},
    {Text::Event2SettingError, "Event2 setting error!", "Erreur de configuration le Event2!"},
    {Text::Event3SettingError, "Event3 setting error!", "Erreur de configuration le Event3!"},
    {Text::Event4SettingError, "Event4 setting error!", "Erreur de configuration le Event4!"},
    {Text::Event5SettingError, "Event5 setting error!", "Erreur de configuration le Event5!"},
    {Text::Event6SettingError, "Event6 setting error!", "Erreur de configuration le Event6!!"},
    {Text::Event7SettingError, "Event7 setting error!", "Erreur de configuration le Event7!"},
    {Text::RestartSpanHint, "The UPS restart must come 1 to 9999 minutes (about 6.9 days) after the shutdown.",
     "Le red\xe9marrage de l'onduleur doit suivre l'arr\xeat de 1 \xe0 9999 minutes (environ 6,9 jours)."},
    // Records and viewers
    {Text::StartDate, "Start Date", "Date de d\xe9part"},
    {Text::EndDate, "End Date", "Date de fin"},
    {Text::EndDateBeforeStartDate, "End Date could not below Start Date,Please choice!",
     "La date de fin ne peut correspondre \xe0 la date de d\xe9part!"},
    {Text::DateError, "Date error, Once more please!", "Erreur de date, Essayez \xe0 nouveau!"},
    {Text::NoCurrentRecord, "No Current Record!", "Pas d'\xe9v\xe9nement enregistr\xe9 \xe0 cet emplacement!"},
    {Text::HeadingAcFail, "AC Fail", "Alimentation d\xe9" "fectueuse"},
    {Text::HeadingBatteryLow, "Battery Low", "Batterie faible"},
    {Text::HeadingScheduleDown, "Schedule Down", "Arr\xeat programm\xe9"},
    {Text::HeadingTime, "Time", "Temps"},
    {Text::HeadingData, "Data", "Date"},
    {Text::InputVoltage, "Input Voltage", "Tension d'entr\xe9" "e"},
    {Text::OutputVoltage, "Output Voltage", "Tension de sortie"},
    {Text::Load, "Load", "Charge"},
    {Text::BatteryLevel, "Battery Level", "Niveau de batterie"},
    {Text::Temperature, "Temperature", "Temp\xe9rature"},
    {Text::Frequency, "Frequency", "Fr\xe9quence"},
    {Text::Status, "Status", "Statuts"},
    {Text::HistoryPrintHeading,
     "date                time          input Voltage    Output Voltage    Load           Battery Level    Temperature    Frequency            Status",
     "date                temps         Tension d'entr\xe9" "e    Tension de sortie    Charge           Niveau de batterie    Temp\xe9rature    Fr\xe9quence            Statuts"},
    {Text::PrintingPage, "Printing page ", "Impression de la page "},
    {Text::PrintingPageOf, " of ", " sur "},
    {Text::CancelPrint, "Cancel", "Annuler"},
    // Settings: the parity choices, in list order
    {Text::ParityNone, "NONE", "AUCUNE"},
    {Text::ParityOdd, "ODD", "OCCASIONNEL"},
    {Text::ParityEven, "EVEN", "REGULIER"},
    // Settings: a stored value the program does not use; a dialog refusing a number
    {Text::SettingOutOfRangeEvent, "  Setting Out Of Range: ", "  Param\xe8tre hors limites: "},
    {Text::SettingMissingEvent, "  Setting Missing: ", "  Param\xe8tre absent: "},
    {Text::SettingDefaultUsed, " (Default Used)", " (valeur par d\xe9" "faut utilis\xe9" "e)"},
    {Text::SettingLongestUsed, " (Longest Used)", " (valeur maximale utilis\xe9" "e)"},
    {Text::SettingNoPortUsed, " (No Port Used)", " (aucun port utilis\xe9)"},
    {Text::ScheduleSettingNotValidEvent, "  Schedule Setting Not Valid: ", "  Programmation non valide: "},
    {Text::ScheduleRowNotUsed, " (Row Not Used)", " (ligne ignor\xe9" "e)"},
    {Text::FieldRangeFrom, ": please enter a whole number from ", " : entrez un nombre entier de "},
    {Text::FieldRangeTo, " to ", " \xe0 "},
    {Text::FieldRangeEnd, ".", "."},
    // Alarm message configuration: the labels
    {Text::LabelNormalMessage, "Normal Message", "Message normal:"},
    {Text::LabelAcFailWarning, "AC Fail Warning", "Attention d\xe9" "faut d'alimentation:"},
    {Text::LabelAcRestored, "AC Restored", "Alimentation r\xe9tablie:"},
    {Text::LabelLowBatteryWarning, "Low Battery Warning", "Alerte batterie faible:"},
    {Text::LabelLowBatteryRestored, "Low Battery Restored", "Batterie faible r\xe9tablie:"},
    {Text::LabelShutdownWarning, "ShutDown Warning", "Avertissement de fermeture:"},
    {Text::LabelCancelShutdown, "Cancel ShutDown", "Annuler la fermeture:"},
    // Alarm message configuration: the default texts
    {Text::DefaultNormalMessage, "UPS is  Normal !", "Fonctionnement UPS normal"},
    {Text::DefaultAcFailWarning, "Attention!! AC  Failed", "Attention, d\xe9" "faut d'alimentation"},
    {Text::DefaultAcRestored, "AC Fail Recovered", "Alimentation r\xe9tablie"},
    {Text::DefaultLowBatteryWarning, "Attention!! UPS Battery Low", "Attention, Batterie de l'UPS faible"},
    {Text::DefaultLowBatteryRestored, "UPS Battery Low Recovered", "Batterie faible r\xe9tablie"},
    {Text::DefaultShutdownWarning, "System Shutdown", "Fermeture du syst\xe8me"},
    {Text::DefaultCancelShutdown, "Shutdown Canceled", "Fermeture annul\xe9" "e"},
    // Menus: item texts without their accelerator hints (the tray menu shows them so)
    {Text::MenuFile, "&File", "&Fichier"},
    {Text::MenuSettings, "UPS  &Setting Configure", "&UPS configur\xe9"},
    {Text::MenuAlarmMessages, "UPS &Alarm Message Configure", "&Messages d'alertes configur\xe9s"},
    {Text::MenuExit, "&Exit Voltaris System", "&Quitter Voltaris"},
    {Text::MenuSchedule, "&Schedule", "&Programmer"},
    {Text::MenuWeeklySchedule, "&Weekly Schedule", "&Progammation hebdomadaire"},
    {Text::MenuDataAnalysis, "&Data Analysis", "&Analyse des donn\xe9" "es"},
    {Text::MenuLogFile, "&Log File", "&Fichier Log"},
    {Text::MenuHistoryData, "&History Data Record", "&Historique des donn\xe9" "es enregistr\xe9" "es"},
    {Text::MenuDataPlot, "&Data Plot", "&Graphiques"},
    {Text::MenuEventData, "E&vent Data Record", "&Ev\xe9nements des donn\xe9" "es enregistr\xe9" "es"},
    {Text::MenuClosedApplications, "Closed Appl&ication", "&Application ferm\xe9" "e"},
    {Text::MenuControlCenter, "&Control Center", "&Centre de contr\xf4le"},
    {Text::MenuShutdownSystem, "&ShutDown System", "&Fermeture du syst\xe8me"},
    {Text::MenuCancelShutdown, "&Cancel Shutdown System", "Annuler &la fermeture du syst\xe8me"},
    {Text::MenuSelfTest10Seconds, "UPS &Selftest 10 Seconds", "Au&totest de 10 secondes"},
    {Text::MenuSelfTestTillLow, "UPS Selftest Till &Battery Low ", "Autotest en mode &batterie faible"},
    {Text::MenuSpecialTimeSelfTest, "Special &Time Selftest", "Autotest pr&ogramm\xe9"},
    {Text::MenuCancelSelfTest, "Cancel Selftest", "Annuler l'autotest"},
    {Text::MenuHelp, "&Help", "A&ide"},
    {Text::MenuContent, "&Content", "&Contenu"},
    {Text::MenuAbout, "&About Voltaris", "&A propos de Voltaris"},
    {Text::MenuReturnMainWindow, "&Return Main Windows", "&Retour \xe0 la fen\xeatre principale"},
    // Dialog captions that differ between the builds
    {Text::CaptionSettings, "UPS  Setting Configure", "UPS configur\xe9"},
    {Text::CaptionAlarmMessage, "Alarm Message", "Message d'alerte"},
    {Text::CaptionDataPlot, "Data Plot", "Graphiques"},
    {Text::CaptionWeeklySchedule, "Weekly Schedule", "Programmation hebdomadaire"},
    {Text::CaptionLogFile, "Log File", "Fichier Log"},
    {Text::CaptionHistoryData, "History Data", "Historique"},
    {Text::CaptionEventData, "Event Data", "Donn\xe9" "es d'\xe9v\xe9nements"},
    {Text::CaptionSpecialTimeSelfTest, "Special Time Selftest", "Autotest programm\xe9"},
    {Text::CaptionClosedApplications, "CloseApplication", "Application ferm\xe9" "e"},
    {Text::ButtonOk, "OK", "OK"},
    {Text::ButtonCancel, "Cancel", "Annuler"},
    {Text::UnitMinutes, "Minutes", "Minutes"},
    {Text::TrayTip, "Voltaris", "Voltaris"},
    {Text::TrayTipRecordsWaiting, "Voltaris: records waiting to be written", "Voltaris : enregistrements en attente d'\xe9" "criture"},
    {Text::RuntimeAbout, "about ", "environ "},
    {Text::RuntimeMinutesLeft, " min left", " min restantes"},
    {Text::RuntimeMinutesOnBattery, " min on battery", " min sur batterie"},
    {Text::RuntimeUnderAMinute, "less than 1 min left", "moins d'1 min restante"},
    {Text::RuntimeNotLearnt, " (not yet learnt)", " (pas encore appris)"},
    {Text::LabelPort, "Port", "Port"},
    {Text::LabelBaudRate, "Baud Rate", "Vitesse (bauds)"},
    {Text::LabelParity, "Parity", "Parit\xe9"},
    {Text::LabelDataBits, "Data Bits", "Bits de donn\xe9" "es"},
    {Text::LabelStopBits, "Stop Bits", "Bits d'arr\xeat"},
    {Text::LabelEnableRecording, "Enable Recording", "Activer l'enregistrement"},
    {Text::LabelSetInterval, "Set Interval to", "Intervalle"},
    {Text::LabelFirstWarning, "First Warning Time After AC Fail", "Premier avertissement apr\xe8s coupure"},
    {Text::LabelScheduleWarning, "Warning Before Schedule ShutDown", "Avertissement avant fermeture programm\xe9" "e"},
    {Text::LabelPeriodWarning, "Period Warning Time", "P\xe9riode d'avertissement"},
    {Text::LabelBatteryLife, "Expected Battery Life", "Autonomie pr\xe9vue de la batterie"},
    {Text::LabelLowBatteryLife, "Battery Life When Low", "Autonomie en batterie faible"},
    {Text::LabelShutdownUpsAfter, "ShutDown UPS After", "Arr\xeat de l'UPS apr\xe8s"},
    {Text::UnitSeconds, "Seconds", "Secondes"},
    {Text::SettingsNotSaved, "The settings were not saved.", "Les param\xe8tres n'ont pas \xe9t\xe9 enregistr\xe9s."},
    {Text::MessagesNotSaved, "The messages were not saved.", "Les messages n'ont pas \xe9t\xe9 enregistr\xe9s."},
    {Text::MinutesNotSaved, "The minutes were not saved.", "Les minutes n'ont pas \xe9t\xe9 enregistr\xe9" "es."},
    {Text::WeeklyScheduleNotSaved, "The weekly schedule was not saved completely.", "La programmation hebdomadaire n'a pas \xe9t\xe9 enti\xe8rement enregistr\xe9" "e."},
    {Text::SpecialDatesNotSaved, "The special dates were not saved completely.", "Les dates sp\xe9" "ciales n'ont pas \xe9t\xe9 enti\xe8rement enregistr\xe9" "es."},
    {Text::WritableFolderHint, " Voltaris keeps its settings beside Voltaris.exe: install it in a folder you may write to.", " Voltaris conserve ses param\xe8tres \xe0 c\xf4t\xe9 de Voltaris.exe : installez-le dans un dossier accessible en \xe9" "criture."},
    {Text::RecordsCannotBeWritten, "Records cannot be written to this file now. ", "Les enregistrements ne peuvent pas \xeatre \xe9" "crits dans ce fichier pour l'instant. "},
    {Text::RecordsKeptPending, "They are kept beside the file, in a file ending in \".pending\", ", "Ils sont conserv\xe9s \xe0 c\xf4t\xe9 du fichier, dans un fichier se terminant par \".pending\", "},
    {Text::RecordsKeptInMemory, "They are kept in memory ", "Ils sont conserv\xe9s en m\xe9moire "},
    {Text::RecordsWrittenLater, "and are written to it as soon as it can be written again.", "et y sont \xe9" "crits d\xe8s qu'il peut l'\xeatre de nouveau."},
    {Text::RecordDropped, "too many records waiting to be written; one was dropped", "trop d'enregistrements en attente d'\xe9" "criture ; l'un d'eux a \xe9t\xe9 abandonn\xe9"},
    {Text::TableEventLog, "The event log", "Le journal des \xe9v\xe9nements"},
    {Text::TableEventData, "The event data", "Les donn\xe9" "es d'\xe9v\xe9nements"},
    {Text::TableHistory, "The history", "L'historique"},
    {Text::TableNotDeleted, " could not be deleted completely:", " : l'effacement n'a pas \xe9t\xe9 complet."},
    {Text::ClosedAppsNotShown, "The list of closed applications cannot be shown.", "La liste des applications ferm\xe9" "es ne peut pas \xeatre affich\xe9" "e."},
    {Text::ClosedAppsNotRead, "The list of closed applications could not be read completely.", "La liste des applications ferm\xe9" "es n'a pas pu \xeatre lue enti\xe8rement."},
    {Text::ClosedAppsNotCleared, "The list of closed applications could not be cleared completely.", "La liste des applications ferm\xe9" "es n'a pas pu \xeatre enti\xe8rement effac\xe9" "e."},
    {Text::PrintFailed, "Printing failed: ", "Impression impossible : "},
    {Text::PrintErrorCode, " (error ", " (erreur "},
    {Text::PrintFontNotMeasured, "the printer's font could not be measured", "la police de l'imprimante n'a pas pu \xeatre mesur\xe9" "e"},
    {Text::PrintDocumentRefused, "the document was refused", "le document a \xe9t\xe9 refus\xe9"},
    {Text::PrintFirstPageRefused, "the first page was refused", "la premi\xe8re page a \xe9t\xe9 refus\xe9" "e"},
    {Text::PrintNewPageRefused, "a new page was refused", "une nouvelle page a \xe9t\xe9 refus\xe9" "e"},
    {Text::PrintLastPageRefused, "the last page was refused", "la derni\xe8re page a \xe9t\xe9 refus\xe9" "e"},
    {Text::PrintDocumentNotEnded, "the document could not be ended", "le document n'a pas pu \xeatre termin\xe9"},
    {Text::PrintDialogNotShown, "The print dialog could not be shown", "La fen\xeatre d'impression n'a pas pu \xeatre affich\xe9" "e"},
    {Text::PrinterInstalledQuestion, "): is a printer installed?", "): une imprimante est-elle install\xe9" "e ?"},
    {Text::PrinterNoDevice, "The printer chosen gave no device to print on.", "L'imprimante choisie n'a fourni aucun contexte d'impression."},
    {Text::HistoryNotPrinted, "The history could not be printed.", "L'historique n'a pas pu \xeatre imprim\xe9."},
};

static_assert(sizeof kEntries / sizeof kEntries[0] == kCatalogueSize, "one entry per Text");

// Texts are found by their place: an entry out of its enum's order would
// give every later text its neighbour's words.
constexpr bool EveryEntryInItsPlace() {
  for (std::size_t i = 0; i < kCatalogueSize; ++i) {
    if (static_cast<std::size_t>(kEntries[i].text) != i) return false;
  }
  return true;
}
static_assert(EveryEntryInItsPlace(), "the entries in the order of enum Text");

const CatalogueEntry* Find(Text text) {
  const auto index = static_cast<std::size_t>(text);
  return index < kCatalogueSize ? &kEntries[index] : nullptr;
}

}  // namespace

const CatalogueEntry* CatalogueBegin() { return kEntries; }
const CatalogueEntry* CatalogueEnd() { return kEntries + kCatalogueSize; }

const char* English(Text text) {
  const CatalogueEntry* entry = Find(text);
  return entry ? entry->english : "";
}

const char* French(Text text) {
  const CatalogueEntry* entry = Find(text);
  return entry ? entry->french : "";
}

namespace {

Language gLanguage = Language::English;

}  // namespace

void SetLanguage(Language language) { gLanguage = language; }

const char* Tr(Text text) { return gLanguage == Language::French ? French(text) : English(text); }

}  // namespace voltaris
