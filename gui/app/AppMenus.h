#pragma once
// The menus of the main window: "File", "Device", "Tools" and "Help", with
// their shortcuts in the Linux form (Ctrl for Command; Shift added where Ctrl
// alone would take a standard key such as Copy). Each File and Device command
// writes its diagnostic line, then does what its name says.

namespace norix {

class ContentView;
class NorixConnection;
class NorixToolsMenu;

// Returns the Tools menu, where the image and font windows add their entries;
// the tool windows talk to the Norix through `device`.
NorixToolsMenu& installMainMenus(ContentView& window, NorixConnection& device);

} // namespace norix
