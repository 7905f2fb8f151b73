#pragma once
// The application's single tool windows (settings, image, font): each is made
// the first time it is asked for, kept when closed (with whatever it holds),
// and raised and activated when asked for again. Before the app quits, every
// window made so far is asked whether its unsaved work may go.

#include "gui/app/ToolWindow.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace norix {

class ToolWindows : public QObject {
    Q_OBJECT
public:
    // Makes a window with no parent: it is a window of its own. Its class must
    // also derive from ToolWindow.
    using Factory = std::function<QWidget*()>;

    explicit ToolWindows(QObject* parent = nullptr);
    ~ToolWindows() override;

    void add(const QString& id, Factory factory);
    // Creates the window if needed, shows it, raises it and gives it the focus.
    QWidget* show(const QString& id);
    // The window if it was made, else nullptr.
    QWidget* window(const QString& id) const;
    // How many windows exist (tests count them).
    int count() const;

    // Asks every window made so far, in the order they were made; false as
    // soon as one answers that its work must stay.
    bool confirmDiscardingChanges();
    // Takes every window off the screen, once they have all been asked.
    void closeAll();

private:
    struct Entry {
        QString id;
        Factory factory;
        QPointer<QWidget> window;
    };
    Entry* find(const QString& id);

    std::vector<Entry> entries_;
    std::vector<QPointer<QWidget>> madeInOrder_;
};

} // namespace norix
