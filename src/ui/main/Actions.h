#pragma once
// The windows' side of the command set: each command is shown as one QAction, made on
// first use, that menus, buttons, the lyrics window's popup and the tray all take. It
// follows the command's caption and states; a click on it is the command's trigger().
// What only the windows need (an icon, the exit item's tag) is set on the action.
class Command;
class QAction;

QAction* ActionFor(Command* command);
