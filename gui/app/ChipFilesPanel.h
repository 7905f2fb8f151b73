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
    QPushButton* addFilesButton() const { return addFiles_; }
    QPushButton* loadButton() const { return load_; }
    QPushButton* deleteFileButton() const { return deleteFile_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* newFileButton() const { return newFile_; }
    QPushButton* sendToNorixButton() const { return sendToNorix_; }
    QPushButton* saveToNorixButton() const { return saveToNorix_; }
    QPushButton* batchSaveButton() const { return batchSave_; }
    QPushButton* cancelBatchButton() const { return cancelBatch_; }

    void refresh();

Q_SIGNALS:
    // Need a dialog or the unsaved-changes question: handled by the window.
    void addFilesRequested();
    void loadRequested();
    void newFileRequested();
    void batchSaveRequested();

private:
    ChipSession& session_;
    QListWidget* list_;
    QPushButton* addFiles_;
    QPushButton* load_;
    QPushButton* deleteFile_;
    QPushButton* clear_;
    QPushButton* newFile_;
    QPushButton* sendToNorix_;
    QPushButton* saveToNorix_;
    QPushButton* batchSave_;
    QPushButton* cancelBatch_;
    Connection connection_;
};

} // namespace norix
