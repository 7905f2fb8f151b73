#pragma once
// The two commands that travel from the application's menus to the main
// window by name: "refreshNorixChips" and "deleteAllNorixChips". Delivered
// synchronously; with no main window listening, posting does nothing.

#include <QObject>

namespace norix {

class AppNotifications : public QObject {
    Q_OBJECT
public:
    static AppNotifications& instance();

    void postRefreshNorixChips() { Q_EMIT refreshNorixChips(); }
    void postDeleteAllNorixChips() { Q_EMIT deleteAllNorixChips(); }

Q_SIGNALS:
    void refreshNorixChips();
    void deleteAllNorixChips();
};

} // namespace norix
