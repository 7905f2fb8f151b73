#include "gui/app/AppNotifications.h"

namespace norix {

AppNotifications& AppNotifications::instance() {
    static AppNotifications notifications;
    return notifications;
}

} // namespace norix
