// The message catalogue: every text a user reads that differs between the
// English and the French build, as compiled-in data. One entry per text, with
// both languages side by side; the program shows its build's through Tr().
//
// The texts are single-byte Windows-1252 strings, the French written with
// \x escapes (\xe9 for e acute and so on), and their leading and trailing
// blanks belong to them: event texts begin with two blanks, some with three.
// Stored texts (event rows, settings) are never translated when read back.
//
// Database field names, configuration keys and section names are English in
// both builds and are not catalogue entries.
#pragma once

#include <cstddef>
#include <string>

namespace voltaris {

enum class Text {
  // Connection and status: monitor thread, main window, event database
  UpsConnected,
  UpsDisconnected,
  UpsDisconnectedEvent,
  // Its French is the same as UpsDisconnected's.
  PleaseConnectUps,
  ComConnected,
  UsbConnected,
  // A USB unit the link library refuses, its strings after the text.
  UsbUpsNotSupported,
  NetworkUpsConnected,
  AcFail,
  AcRestore,
  AcRestoreEvent,
  AcFailEvent,
  BatteryLow,
  BatteryLowEvent,
  UpsBatteryLow,
  UpsFailed,
  UpsTypeOnLine,
  ProgramStart,
  ProgramEnd,
  ShutdownRefusedEvent,
  ShutdownNotCarriedOutEvent,
  RuntimeLowEvent,
  // Why Windows is shut down, as its own log shows it
  ShutdownWhyMainsFailed,
  ShutdownWhyBatteryLow,
  ShutdownWhyRuntimeLow,
  ShutdownWhyManual,
  ShutdownWhySchedule,
  ShutdownWhyServerForced,
  // The network server
  NetworkServerNotStartedEvent,
  SecondariesLoggedOutEvent,
  SecondariesStillLoggedInEvent,
  // A UPS followed over the network: the server's orders and refusals
  ServerForcedShutdownEvent,
  NetworkUpsAccessDenied,
  NetworkUpsUnknownName,
  NetworkUpsWrongLogin,
  NetworkUpsLoginRefused,
  NetworkServerOffWhileFollowing,
  ScheduleServedUpsNote,
  CannotLoadLibrary,

  // Self-tests and count-downs
  SelfTestCaption,
  SelfTest10Seconds,
  SelfTest10SecondsEvent,
  SelfTestTillLow,
  SelfTestTillLowEvent,
  SelfTestCommandNotSentEvent,
  SwitchOffCommandNotSentEvent,
  SwitchOffMayHaveBeenSentEvent,
  SelfTestTitle,
  SelfTestEventPrefix,
  SelfTestProgress7Dots,
  SelfTestProgress6Dots,
  SelfTestProgress5Dots,
  ShutdownAfter,
  // The same English text as ShutdownAfter: the schedule count-down's French
  // has no colon after "dans".
  ScheduleShutdownAfter,
  LeavingTime,
  Seconds,
  // The same English text as Seconds: the battery-low count-down writes its
  // French with a capital S.
  BatteryLowSeconds,
  ScheduleWarningEvent,
  ScheduleWarning,

  // Schedules
  OsAndUpsShutdown,
  // The same English text as OsAndUpsShutdown: the weekly schedule paints the
  // French on two lines, split at the \n (the English on one).
  WeeklyOsAndUpsShutdown,
  UpsRestart,
  Monday,
  Tuesday,
  Wednesday,
  Thursday,
  Friday,
  Saturday,
  Sunday,
  MondaySettingError,
  TuesdaySettingError,
  WednesdaySettingError,
  ThursdaySettingError,
  FridaySettingError,
  SaturdaySettingError,
  SundaySettingError,
  EventData1,
  EventData2,
  EventData3,
  EventData4,
  EventData5,
  EventData6,
  EventData7,
  Event1SettingError,
  Event2SettingError,
  Event3SettingError,
  Event4SettingError,
  Event5SettingError,
  // Two exclamation marks in French, as it has always read.
  Event6SettingError,
  Event7SettingError,
  // Added below a refused special row whose restart the UPS cannot carry out.
  RestartSpanHint,

  // Records and viewers
  StartDate,
  EndDate,
  EndDateBeforeStartDate,
  DateError,
  NoCurrentRecord,
  HeadingAcFail,
  HeadingBatteryLow,
  HeadingScheduleDown,
  HeadingTime,
  HeadingData,
  InputVoltage,
  OutputVoltage,
  Load,
  BatteryLevel,
  Temperature,
  Frequency,
  Status,
  HistoryPrintHeading,
  // The history's print in progress: "Printing page " 12 " of " 3077.
  PrintingPage,
  PrintingPageOf,
  CancelPrint,

  // Settings: the parity choices, in list order
  ParityNone,
  ParityOdd,
  ParityEven,
  // Settings: a stored value the program does not use, recorded as an event
  // of its own: the prefix, the key's name, then the suffix.
  SettingOutOfRangeEvent,
  SettingChangedEvent,
  SettingMissingEvent,
  SettingDefaultUsed,
  SettingLongestUsed,
  SettingNoPortUsed,
  ScheduleSettingNotValidEvent,
  ScheduleRowNotUsed,
  // Settings: a dialog refusing a number: the field's label, then
  // FieldRangeFrom, the lowest value, FieldRangeTo, the highest, FieldRangeEnd.
  FieldRangeFrom,
  FieldRangeTo,
  FieldRangeEnd,

  // Alarm message configuration: the labels
  LabelNormalMessage,
  LabelAcFailWarning,
  LabelAcRestored,
  LabelLowBatteryWarning,
  LabelLowBatteryRestored,
  LabelShutdownWarning,
  LabelCancelShutdown,

  // Alarm message configuration: the default texts
  DefaultNormalMessage,
  DefaultAcFailWarning,
  DefaultAcRestored,
  DefaultLowBatteryWarning,
  DefaultLowBatteryRestored,
  DefaultShutdownWarning,
  DefaultCancelShutdown,

  // Menus: item texts without their accelerator hints (the tray menu shows them so)
  MenuFile,
  MenuSettings,
  MenuAlarmMessages,
  MenuExit,
  MenuSchedule,
  MenuWeeklySchedule,
  MenuDataAnalysis,
  MenuLogFile,
  MenuHistoryData,
  MenuDataPlot,
  MenuEventData,
  MenuClosedApplications,
  MenuControlCenter,
  MenuShutdownSystem,
  MenuCancelShutdown,
  MenuSelfTest10Seconds,
  MenuSelfTestTillLow,
  MenuSpecialTimeSelfTest,
  MenuCancelSelfTest,
  MenuHelp,
  MenuContent,
  MenuAbout,
  MenuReturnMainWindow,

  // Dialog captions that differ between the builds
  CaptionSettings,
  CaptionAlarmMessage,
  CaptionDataPlot,
  CaptionWeeklySchedule,
  CaptionLogFile,
  CaptionHistoryData,
  CaptionEventData,
  CaptionSpecialTimeSelfTest,
  CaptionClosedApplications,

  // Words drawn on the skins, and the tray tip
  ButtonOk,
  ButtonCancel,
  UnitMinutes,
  TrayTipOnMains,
  TrayTipOnBattery,
  TrayTipShutdownIn,
  TrayTipRuntimeSeparator,
  TrayTipNotAnswering,
  TrayTipRecordsSuffix,
  TrayTipDrillSuffix,
  TrayTipServiceAsked,
  TrayTipServiceNotRunning,
  ServiceNotRunningBalloon,
  ServiceStartOffer,
  ServiceRefusedRequest,
  ServiceDidNotAnswer,
  ServiceCouldNotNow,
  ServiceNowWatches,
  ServiceRequestRefusedEntry,
  WindowChannelNotOpened,
  ServiceFolderRefused,
  ServiceStartEvent,
  ServiceStopEvent,
  ServiceInstalled,
  ServiceNotStarted,
  ServiceFolderChangeable,
  ServiceFolderWhatToDo,
  ServiceMonitorNotStarted,
  ServiceMonitorEnded,
  ServiceMonitorNextTry,
  HeadlessRefused,
  UnknownSwitch,
  KnownSwitchesAre,
  ServiceRemoved,
  ServiceNeedsAdministrator,
  ServiceFailed,
  DurationMinutes,
  DurationSeconds,

  // Notifications, event commands and the power-failure drill
  NoticeMainsFailed,
  NoticeMainsBack,
  NoticeBatteryLow,
  NoticeUpsLost,
  NoticeUpsFound,
  NoticeManualShutdown,
  NoticeScheduleShutdown,
  NoticeShutdown,
  NoticeForcedShutdown,
  NoticeSelfTestStarted,
  NoticeSelfTestEnded,
  NoticeRecordsWaiting,
  NoticeBatteryWeak,
  NoticeShutdownIn,
  NoticeDrillMark,
  NoticeDrillEnded,
  CommandNotStartedEvent,
  CommandOverTimeEvent,
  CommandTooLongEvent,
  CommandTooManyEvent,
  DrillCaption,
  DrillWindowMark,
  DrillStartEvent,
  DrillEndEvent,
  DrillStoppedEvent,
  DrillRefused,
  DrillReportCount,
  DrillReportRuntimeSooner,
  DrillReportApplications,
  DrillReportNoApplications,
  DrillReportNoSwitchOff,
  DrillReportSecondaries,
  DrillReportNoSecondaries,
  DrillReportGivenUpTo,
  DrillReportToLogOut,
  DrillReportWarnings,
  DrillWarnNotAnswering,
  DrillWarnCountTooLong,
  DrillWarnNoShutdownRight,
  DrillReportNothingShutDown,
  // The battery's runtime estimate: "about 14 min left", "about 40 min on
  // battery", and the mark of a first guess
  RuntimeAbout,
  RuntimeMinutesLeft,
  RuntimeMinutesOnBattery,
  RuntimeUnderAMinute,
  RuntimeNotLearnt,
  BatteryHealth,
  BatteryWeakEvent,
  NewBatteryEvent,
  NewBatteryConfirm,

  // Settings: labels and units of the pages; boxes about saving
  LabelPort,
  LabelBaudRate,
  LabelParity,
  LabelDataBits,
  LabelStopBits,
  LabelEnableRecording,
  LabelSetInterval,
  LabelFirstWarning,
  LabelScheduleWarning,
  LabelPeriodWarning,
  LabelBatteryLife,
  LabelLowBatteryLife,
  LabelShutdownUpsAfter,
  UnitSeconds,
  SettingsNotSaved,
  MessagesNotSaved,
  MinutesNotSaved,
  WeeklyScheduleNotSaved,
  SpecialDatesNotSaved,
  WritableFolderHint,

  // Boxes about records and printing
  RecordsCannotBeWritten,
  RecordsKeptPending,
  RecordsKeptInMemory,
  RecordsWrittenLater,
  RecordDropped,
  // What the record store could not do with a file: the words before the
  // file's path and the system's reason, and two of its own findings
  FileCannotOpen,
  FileCannotRead,
  FileCannotWrite,
  FileCannotCreate,
  FileCannotReplace,
  FileCannotRename,
  FileCannotRemove,
  FileCannotFlush,
  TableChangedWhileWritten,
  TableHasNoColumn,
  SettingCannotStore,
  SettingCannotHold,
  TableEventLog,
  TableEventData,
  TableHistory,
  TableNotDeleted,
  ClosedAppsNotShown,
  ClosedAppsNotRead,
  ClosedAppsNotCleared,
  PrintFailed,
  PrintErrorCode,
  PrintFontNotMeasured,
  PrintDocumentRefused,
  PrintFirstPageRefused,
  PrintNewPageRefused,
  PrintLastPageRefused,
  PrintDocumentNotEnded,
  PrintDialogNotShown,
  PrinterInstalledQuestion,
  PrinterNoDevice,
  HistoryNotPrinted,

  // Settings: a UPS followed over the network (the port list's last choice,
  // its fields' labels, and what OK says of a text it refuses: the label
  // without its colon, then the words)
  PortNetworkUps,
  LabelHost,
  LabelNetworkPort,
  LabelUpsName,
  LabelUser,
  LabelPassword,
  LabelDeadTime,
  FieldHostWanted,
  FieldNameWanted,
  FieldNoEndBlanks,

  Count  // not a text: the number of entries
};

struct CatalogueEntry {
  Text text;
  const char* english;
  const char* french;
};

// The whole catalogue, in the order of Text.
const CatalogueEntry* CatalogueBegin();
const CatalogueEntry* CatalogueEnd();
constexpr std::size_t kCatalogueSize = static_cast<std::size_t>(Text::Count);

// A text in each language; "" for Text::Count or a value out of range.
const char* English(Text text);
const char* French(Text text);

enum class Language { English, French };
// The program's language, set once when it starts from the language it was
// built for (the English build never calls it); tests may set it too.
void SetLanguage(Language language);
// The text in the program's language.
const char* Tr(Text text);

// A file function's message, which begins with English words ("cannot
// write <path>: <the system's reason>", as the functions below the
// catalogue make it), with those words in the program's language.
std::string FileMessageInBuildLanguage(const std::string& message);

}  // namespace voltaris
