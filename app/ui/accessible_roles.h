// Roles for the program's own widgets that Qt knows only as their base class.
#pragma once

namespace korvalis {

/// Tells Qt's accessibility layer the role and name of the page view (a picture the user
/// scrolls and zooms, not a generic pane). Must run before the widgets are built: Qt keeps the
/// interface it made first. Installing twice does nothing more.
void installAccessibleRoles();

}  // namespace korvalis
