#pragma once
// Remembers a window's size and place and the positions of its named
// splitters between runs, in the user's settings of NorixGUI.

class QWidget;

namespace norix {

// False when nothing was remembered for this window yet.
bool restoreWindowLayout(QWidget& window);
void saveWindowLayout(const QWidget& window);

} // namespace norix
