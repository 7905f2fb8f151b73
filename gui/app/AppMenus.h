#pragma once
// The "File" and "Device" menus of the main window, with their shortcuts in
// the platform's form (Ctrl where the original keys use Command). Each command
// writes its diagnostic line, then does what its name says.

namespace norix {

class ContentView;

void installMainMenus(ContentView& window);

} // namespace norix
