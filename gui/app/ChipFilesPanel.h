#pragma once
// The "Chip Files" list with its file buttons, and the three buttons that
// store chips on the Norix ("Send to Norix", "Save to Norix", "Batch Save to
// Norix", and "Cancel Batch" while a batch runs).

#include "core/util/Signal.h"

#include <QWidget>

class QListWidget;
class QPushButton;

namespace norix {

class ChipSession;

class ChipFilesPanel : public QWidget {
    Q_OBJECT
public:
    explicit ChipFilesPanel(ChipSession& session, QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }
    QPushButton* button(const QString& label) const;

    void refresh();

Q_SIGNALS:
    // Need a dialog or the unsaved-changes question: handled by the window.
    void addFilesRequested();
    void loadRequested();
    void newFileRequested();
    void batchSaveRequested();

private:
    QPushButton* addButton(const QString& label);

    ChipSession& session_;
    QListWidget* list_;
    std::vector<QPushButton*> buttons_;
    Connection connection_;
};

} // namespace norix
