// The skin's one layout table: every hot zone (a painted button's rectangle,
// bounds inclusive) and every picture place (where a picture's top left
// corner goes), in the client pixels of the window that paints them. The
// program, the picture generator and the end-to-end scripts' click points
// are all read from here, so a button moves in one place.
#pragma once

namespace voltaris {

struct HotZone {
  int left, top, right, bottom;
  constexpr bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

struct PicturePlace {
  int x, y;
};

struct PictureSize {
  int width, height;
};

// ZONE(name, left, top, right, bottom)
#define VOLTARIS_SKIN_ZONES(ZONE)                          \
  /* main window: the left bar */                          \
  ZONE(LeftSettings, 21, 96, 57, 129)                      \
  ZONE(LeftAlarm, 22, 189, 49, 222)                        \
  ZONE(LeftWeekly, 23, 271, 51, 302)                       \
  ZONE(LeftExit, 23, 361, 56, 394)                         \
  /* main window: the top bar */                           \
  ZONE(TopLogFile, 11, 16, 47, 46)                         \
  ZONE(TopHistory, 73, 11, 104, 46)                        \
  ZONE(TopDataPlot, 144, 16, 179, 47)                      \
  ZONE(TopEventData, 211, 16, 244, 47)                     \
  ZONE(TopShutdown, 281, 16, 316, 47)                      \
  ZONE(TopTenSecondTest, 351, 16, 384, 47)                 \
  ZONE(TopCancelSelfTest, 421, 16, 456, 47)                \
  /* settings: the page bar's icons, then the dialog's */  \
  /* buttons, drawn at their zones' corners as large as */ \
  /* the zones */                                          \
  ZONE(PageLink, 18, 7, 53, 39)                            \
  ZONE(PageRecording, 98, 8, 127, 37)                      \
  ZONE(PageWarning, 164, 8, 194, 43)                       \
  ZONE(PageBattery, 226, 9, 259, 37)                       \
  ZONE(SettingsOk, 291, 168, 324, 197)                     \
  ZONE(SettingsCancel, 356, 171, 381, 194)                 \
  ZONE(SettingsDefault, 422, 167, 448, 196)                \
  /* alarm messages: its page's pixels */                  \
  ZONE(AlarmOk, 338, 258, 370, 286)                        \
  ZONE(AlarmCancel, 395, 258, 423, 286)                    \
  ZONE(AlarmDefault, 453, 259, 479, 286)                   \
  /* record viewers */                                     \
  ZONE(HistoryDelete, 444, 303, 475, 331)                  \
  ZONE(HistoryPrint, 511, 309, 544, 335)                   \
  ZONE(HistoryRefresh, 571, 303, 605, 331)                 \
  ZONE(HistoryClose, 636, 303, 667, 331)                   \
  ZONE(LogClose, 206, 261, 244, 289)                       \
  ZONE(LogDelete, 271, 259, 302, 292)                      \
  ZONE(EventsClose, 241, 261, 274, 289)                    \
  ZONE(EventsDelete, 304, 259, 335, 292)                   \
  ZONE(ClosedAppsOk, 271, 188, 305, 219)                   \
  ZONE(ClosedAppsClear, 328, 188, 364, 219)                \
  /* schedules and the timed self-test */                  \
  ZONE(WeeklyOk, 351, 261, 384, 289)                       \
  ZONE(WeeklyCancel, 426, 261, 451, 289)                   \
  ZONE(DateOk, 471, 281, 504, 309)                         \
  ZONE(DateCancel, 544, 279, 572, 309)                     \
  ZONE(TimedTestOk, 294, 121, 324, 154)                    \
  /* count-down and self-test windows */                   \
  ZONE(CountdownOk, 11, 201, 47, 229)                      \
  ZONE(ManualOk, 21, 191, 47, 219)                         \
  ZONE(ManualCancel, 69, 186, 92, 224)

// PLACE(name, x, y)
#define VOLTARIS_SKIN_PLACES(PLACE)                        \
  /* the gauge panel's state pictures and its picture */   \
  PLACE(MainsAt, 390, 185)                                 \
  PLACE(BatteryAt, 390, 250)                               \
  PLACE(UpsAt, 390, 312)                                   \
  PLACE(TypeAt, 520, 312)                                  \
  PLACE(LinkAt, 520, 185)                                  \
  PLACE(TrafficAt, 520, 250)                               \
  PLACE(UpsPictureAt, 380, 13)                             \
  /* the count-downs' warning triangle */                  \
  PLACE(TriangleAt, 10, 10)                                \
  /* alarm messages: its page in the frame, then the */    \
  /* buttons in the page */                                \
  PLACE(AlarmPageAt, 70, 59)                               \
  PLACE(AlarmOkAt, 335, 255)                               \
  PLACE(AlarmCancelAt, 390, 253)                           \
  PLACE(AlarmDefaultAt, 440, 257)                          \
  /* record viewers */                                     \
  PLACE(HistoryDeleteAt, 440, 302)                         \
  PLACE(HistoryPrintAt, 510, 309)                          \
  PLACE(HistoryRefreshAt, 570, 302)                        \
  PLACE(HistoryCloseAt, 635, 302)                          \
  PLACE(LogCloseAt, 205, 260)                              \
  PLACE(LogDeleteAt, 270, 260)                             \
  PLACE(EventsCloseAt, 240, 260)                           \
  PLACE(EventsDeleteAt, 300, 260)                          \
  PLACE(ClosedAppsOkAt, 270, 185)                          \
  PLACE(ClosedAppsClearAt, 325, 185)                       \
  /* schedules and the timed self-test */                  \
  PLACE(WeeklyOkAt, 350, 260)                              \
  PLACE(WeeklyCancelAt, 420, 258)                          \
  PLACE(DateOkAt, 470, 280)                                \
  PLACE(DateCancelAt, 540, 278)                            \
  PLACE(TimedTestOkAt, 290, 120)

namespace skin {

#define VOLTARIS_SKIN_ZONE(name, left, top, right, bottom) inline constexpr HotZone k##name{left, top, right, bottom};
VOLTARIS_SKIN_ZONES(VOLTARIS_SKIN_ZONE)
#undef VOLTARIS_SKIN_ZONE

#define VOLTARIS_SKIN_PLACE(name, x, y) inline constexpr PicturePlace k##name{x, y};
VOLTARIS_SKIN_PLACES(VOLTARIS_SKIN_PLACE)
#undef VOLTARIS_SKIN_PLACE

// The gauge panel's state pictures are all of one size.
inline constexpr PictureSize kStatePictureSize{118, 52};

// Every zone by name, for the tools that list them.
struct NamedZone {
  const char* name;
  HotZone zone;
};
inline constexpr NamedZone kAllZones[] = {
#define VOLTARIS_SKIN_ZONE(name, left, top, right, bottom) {#name, k##name},
    VOLTARIS_SKIN_ZONES(VOLTARIS_SKIN_ZONE)
#undef VOLTARIS_SKIN_ZONE
};

struct NamedPlace {
  const char* name;
  PicturePlace place;
};
inline constexpr NamedPlace kAllPlaces[] = {
#define VOLTARIS_SKIN_PLACE(name, x, y) {#name, k##name},
    VOLTARIS_SKIN_PLACES(VOLTARIS_SKIN_PLACE)
#undef VOLTARIS_SKIN_PLACE
};

// Where a click on a zone lands in the end-to-end scripts: its middle.
constexpr int CentreX(const HotZone& z) { return (z.left + z.right) / 2; }
constexpr int CentreY(const HotZone& z) { return (z.top + z.bottom) / 2; }

}  // namespace skin
}  // namespace voltaris
