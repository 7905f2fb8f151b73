#pragma once
// The one Save / Discard / Cancel question every editing window asks before
// its unsaved work could be lost, and the one way its answer is carried out.

#include <QString>
#include <functional>

class QWidget;

namespace norix {

enum class UnsavedChoice { save, discard, cancel };

// The desktop's warning box about `text`, with Save as its default button.
UnsavedChoice askAboutUnsavedChanges(QWidget* parent, const QString& text);

// Asks (no question means Cancel) and carries out the answer: true when the
// caller may go on, that is after Discard or after a Save that succeeded.
bool settleUnsavedChanges(const std::function<UnsavedChoice()>& ask,
                          const std::function<void()>& discard, const std::function<bool()>& save);

} // namespace norix
