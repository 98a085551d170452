// The codes of every event posted to the program's windows, in one place. Completion events of
// the transfer engine carry the job handle as their data value.
#pragma once

namespace korvalis {

inline constexpr int kPageImageEvent = 65536;     ///< page image for the main view
inline constexpr int kLookupEvent = 65537;        ///< identifier look-up, then load the page
inline constexpr int kLookupFieldsEvent = 65538;  ///< identifier look-up into the fields only
/// The size query: synchronous, posts nothing; the code names the request.
inline constexpr int kSizeQueryCode = 65539;
inline constexpr int kBatchSlotEvent0 = 65540;  ///< batch download slots of the save window
inline constexpr int kBatchSlotEvent1 = 65541;
inline constexpr int kBatchSlotEvent2 = 65542;
/// The location look-up: synchronous, posts nothing; the code names the request.
inline constexpr int kLocationLookupCode = 65543;
/// Notification codes from the first batch slot on never drive the main window's progress field.
inline constexpr int kFirstCodeWithoutProgress = kBatchSlotEvent0;

// The program's own events (above the engine's range).
/// Progress of the page download for the main window's progress field (data: the value).
inline constexpr int kProgressValueEvent = 65600;
/// New icon for the connection-monitor button (data: a MonitorIcon value).
inline constexpr int kMonitorIconEvent = 65601;
/// A batch slot's worker finished its location look-up (data: run generation and slot).
inline constexpr int kBatchLookupEvent = 65602;
/// One size query of the storage estimate ended (data: run generation and the size).
inline constexpr int kEstimateSizeEvent = 65603;
/// A batch row's location look-up, started ahead of its slot, ended (data: the job handle).
inline constexpr int kBatchAheadLookupEvent = 65604;
// The steps of a page request and of the page fetched ahead (data: the job handle). All lie
// above kFirstCodeWithoutProgress: they never move the main window's progress field.
inline constexpr int kLocationStepEvent = 65610;   ///< location look-up before a page download
inline constexpr int kSizeStepEvent = 65611;       ///< size query before a page download
inline constexpr int kAheadLocationEvent = 65612;  ///< location look-up of the next page
inline constexpr int kAheadSizeEvent = 65613;      ///< size query of the next page
inline constexpr int kAheadImageEvent = 65614;     ///< image of the next page

}  // namespace korvalis
