#include "Actions.h"

#include <QAction>
#include <QActionGroup>
#include <QPointer>

#include "core/common/Commands.h"

namespace {
void show(QAction* action, const Command* command)
{
    action->setText(command->text());
    action->setVisible(command->isVisible());
    action->setEnabled(command->isEnabled());
    action->setChecked(command->isChecked());
}

// A group's actions are a group too, so that menus draw them as radio items.
QActionGroup* actionGroupFor(CommandGroup* group)
{
    if (auto* made = group->findChild<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly)) return made;
    auto* actions = new QActionGroup(group);
    actions->setExclusionPolicy(group->policy() == CommandGroup::Policy::Exclusive
                                    ? QActionGroup::ExclusionPolicy::Exclusive
                                    : QActionGroup::ExclusionPolicy::ExclusiveOptional);
    return actions;
}
} // namespace

QAction* ActionFor(Command* command)
{
    // The action is the command's child: one per command, gone with it.
    if (auto* made = command->findChild<QAction*>(QString(), Qt::FindDirectChildrenOnly)) return made;
    auto* action = new QAction(command);
    action->setObjectName(command->objectName());
    action->setCheckable(command->isCheckable());
    if (CommandGroup* group = command->group()) actionGroupFor(group)->addAction(action);
    show(action, command);
    QObject::connect(command, &Command::changed, action, [action, command] { show(action, command); });
    // The action has turned its own check over by now (and its group's others off); the
    // command decides, and a click that changed nothing there (a disabled command, or one
    // whose check follows a state the click left as it was) leaves the actions as the
    // commands are.
    QObject::connect(action, &QAction::triggered, command, [action, command] {
        QPointer<QAction> guard(action);
        command->trigger();
        if (!guard) return;
        show(action, command);
        if (CommandGroup* group = command->group())
            for (Command* other : group->commands())
                if (auto* shown = other->findChild<QAction*>(QString(), Qt::FindDirectChildrenOnly)) show(shown, other);
    });
    return action;
}
