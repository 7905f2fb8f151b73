#pragma once
// Small pieces the font window's panels and dialogs share: the stepper that
// shows its value inside its text ("Width: 8 pixels"), bold headings, and the
// help text of a painted widget's part under the pointer.

#include <QString>
#include <cstdint>

class QHelpEvent;
class QLabel;
class QSpinBox;
class QWidget;

namespace norix {

// A spin box from 1 to `maximum` in steps of 1 reading "{prefix}{value}{suffix}".
QSpinBox* makeStepper(const QString& prefix, const QString& suffix, std::int64_t maximum,
                      std::int64_t value);

void makeHeading(QLabel* label, int pixelSize);

// Shows `text` as the tool tip of `widget` at the event's place, or hides the
// tool tip when there is nothing to say there.
void showHelpText(QWidget* widget, const QHelpEvent& event, const QString& text);

} // namespace norix
