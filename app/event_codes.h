#pragma once

namespace korvalis {

/// Codes of the events posted to the program's windows (the data value is named with each).
/// Completion events of the transfer engine carry the job handle.
inline constexpr int kPageImageEvent = 65536;     ///< page image for the main view
inline constexpr int kLookupEvent = 65537;        ///< identifier look-up, then load the page
inline constexpr int kLookupFieldsEvent = 65538;  ///< identifier look-up into the fields only
inline constexpr int kBatchSlotEvent0 = 65540;    ///< batch download slots of the save window
inline constexpr int kBatchSlotEvent1 = 65541;
inline constexpr int kBatchSlotEvent2 = 65542;
/// Progress of the page download for the main window's progress field (data: the value).
inline constexpr int kProgressValueEvent = 65600;
/// New icon for the connection-monitor button (data: a MonitorIcon value).
inline constexpr int kMonitorIconEvent = 65601;

}  // namespace korvalis
