#include "app/command_router.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QWidget>

CommandRouter::CommandRouter(QObject* parent) : QObject(parent) {
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (const QPointer<QWidget>& pane : panes) {
            if (now && pane && (pane == now || pane->isAncestorOf(now))) lastFocusedPane = pane;
        }
    });
}

void CommandRouter::AddPane(QWidget* pane) { panes.emplace_back(pane); }

void CommandRouter::AddFrameCommand(int commandId, Handler handler, StateRule rule) {
    frameCommands[commandId] = FrameCommand{std::move(handler), std::move(rule)};
}

void CommandRouter::BindAction(int commandId, QAction* action) {
    actions[commandId] = action;
    action->setData(commandId);
    connect(action, &QAction::triggered, this, [this, commandId] { Route(commandId); });
}

QAction* CommandRouter::Action(int commandId) const {
    const auto found = actions.find(commandId);
    return found == actions.end() ? nullptr : found->second.data();
}

void CommandRouter::WatchMenu(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateActions(menu->actions()); });
}

CommandTarget* CommandRouter::FocusedTarget() const {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return dynamic_cast<CommandTarget*>(lastFocusedPane.data());
    for (const QPointer<QWidget>& pane : panes) {
        if (pane && (pane == focus || pane->isAncestorOf(focus)))
            return dynamic_cast<CommandTarget*>(pane.data());
    }
    return nullptr;
}

void CommandRouter::Route(int commandId) {
    // A shortcut may fire between two state refreshes; ask again before acting.
    if (!StateOf(commandId).enabled) return;
    if (CommandTarget* target = FocusedTarget(); target && target->HandleCommand(commandId)) return;
    const auto found = frameCommands.find(commandId);
    if (found != frameCommands.end() && found->second.handler) found->second.handler();
}

CommandState CommandRouter::StateOf(int commandId) const {
    CommandState state;
    if (QAction* action = Action(commandId)) state.checked = action->isChecked();
    if (CommandTarget* target = FocusedTarget(); target && target->UpdateCommandState(commandId, state)) {
        return state;
    }
    const auto found = frameCommands.find(commandId);
    if (found == frameCommands.end()) {
        state.enabled = false;
        return state;
    }
    state.enabled = true;
    if (found->second.rule) found->second.rule(state);
    return state;
}

void CommandRouter::UpdateActions(const QList<QAction*>& list) {
    for (QAction* action : list) {
        bool isCommand = false;
        const int commandId = action->data().toInt(&isCommand);
        if (!isCommand || commandId == 0) continue;
        const CommandState state = StateOf(commandId);
        if (action->isEnabled() != state.enabled) action->setEnabled(state.enabled);
        if (action->isCheckable() && action->isChecked() != state.checked) action->setChecked(state.checked);
    }
}

void CommandRouter::UpdateAllActions() {
    QList<QAction*> list;
    for (const auto& [commandId, action] : actions) {
        if (action) list.append(action.data());
    }
    UpdateActions(list);
}
