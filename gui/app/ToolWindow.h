#pragma once
// What the application asks of a window of the Tools menu (image, font and
// settings windows): before it quits, whether the window's unsaved work may go.
// The windows share the application's one link; closing one leaves it alone.

namespace norix {

class ToolWindow {
public:
    virtual ~ToolWindow() = default;

    // Asks about unsaved work when there is some (Save / Discard / Cancel);
    // true when the caller may go on and close the window.
    virtual bool confirmDiscardingChanges() = 0;
};

} // namespace norix
