#pragma once
// The main window's questions as the desktop asks them: file dialogs, the
// unsaved-changes question, the delete-all and replace-file confirmations.
// Tests replace them through ContentView::dialogs().

#include "gui/app/ContentView.h"

namespace norix {

ContentViewDialogs standardContentViewDialogs(QWidget* parent, ChipSession& session);

} // namespace norix
