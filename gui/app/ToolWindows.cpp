#include "gui/app/ToolWindows.h"

#include <algorithm>

namespace norix {

ToolWindows::ToolWindows(QObject* parent) : QObject(parent) {}

ToolWindows::~ToolWindows() {
    // The windows have no parent: they go with the registry that made them.
    for (auto& window : madeInOrder_)
        delete window.data();
}

void ToolWindows::add(const QString& id, Factory factory) {
    if (Entry* existing = find(id)) {
        existing->factory = std::move(factory);
        return;
    }
    entries_.push_back({id, std::move(factory), nullptr});
}

ToolWindows::Entry* ToolWindows::find(const QString& id) {
    auto found = std::find_if(entries_.begin(), entries_.end(),
                              [&id](const Entry& entry) { return entry.id == id; });
    return found == entries_.end() ? nullptr : &*found;
}

QWidget* ToolWindows::show(const QString& id) {
    Entry* entry = find(id);
    if (!entry)
        return nullptr;
    if (!entry->window) {
        entry->window = entry->factory();
        madeInOrder_.emplace_back(entry->window);
    }
    QWidget* window = entry->window;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QWidget* ToolWindows::window(const QString& id) const {
    auto found = std::find_if(entries_.begin(), entries_.end(),
                              [&id](const Entry& entry) { return entry.id == id; });
    return found == entries_.end() ? nullptr : found->window.data();
}

int ToolWindows::count() const {
    return static_cast<int>(std::count_if(madeInOrder_.begin(), madeInOrder_.end(),
                                          [](const QPointer<QWidget>& w) { return !w.isNull(); }));
}

bool ToolWindows::confirmDiscardingChanges() {
    // A closed window keeps its work too, so it is asked as well.
    for (auto& window : madeInOrder_) {
        auto* tool = dynamic_cast<ToolWindow*>(window.data());
        if (!tool)
            continue;
        if (!tool->confirmDiscardingChanges())
            return false;
    }
    return true;
}

void ToolWindows::closeAll() {
    // Hidden, not closed: each was asked already, and a window's own close
    // handling must not ask a second time on the way out.
    for (auto& window : madeInOrder_)
        if (window)
            window->hide();
}

} // namespace norix
