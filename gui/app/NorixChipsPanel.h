#pragma once
// The list of chips stored on the Norix, with "Refresh", "Load Selected" and
// "Delete Selected", each enabled only when the session can run it.

#include "core/util/Signal.h"

#include <QWidget>

class QListWidget;
class QPushButton;

namespace norix {

class ChipSession;

class NorixChipsPanel : public QWidget {
    Q_OBJECT
public:
    explicit NorixChipsPanel(ChipSession& session, QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }
    QPushButton* refreshButton() const { return refresh_; }
    QPushButton* loadButton() const { return load_; }
    QPushButton* deleteButton() const { return delete_; }

    void refresh();

Q_SIGNALS:
    // Loading replaces the editor's chip: the window asks about unsaved edits first.
    void loadRequested();

private:
    ChipSession& session_;
    QListWidget* list_;
    QPushButton* refresh_;
    QPushButton* load_;
    QPushButton* delete_;
    Connection connection_;
};

} // namespace norix
