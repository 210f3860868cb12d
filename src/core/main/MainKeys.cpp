#include "MainKeys.h"

#include "core/common/Commands.h"

MainKeys::MainKeys(CommandSet& commands, KeyTarget& keyTarget) : cmd(commands), target(keyTarget)
{
    releaseTimer.setSingleShot(true);
    releaseTimer.callOnTimeout([this] { commitReleases(); });
}

bool MainKeys::trigger(Command* a, bool onlyEnabled)
{
    if (onlyEnabled && !a->isEnabled()) return false;
    // A disabled command ignores trigger(); F6 clicks its item whatever its state.
    if (!a->isEnabled()) {
        a->setEnabled(true);
        a->trigger();
        a->setEnabled(false);
    } else {
        a->trigger();
    }
    return true;
}

bool MainKeys::IsEditingKey(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers others = modifiers & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (key == Qt::Key_Delete) return others == Qt::NoModifier;
    if (others != Qt::ControlModifier) return false;
    switch (key) {
    case Qt::Key_A:
    case Qt::Key_C:
    case Qt::Key_V:
    case Qt::Key_X:
    case Qt::Key_Z:
    case Qt::Key_Y: return true;
    default: return false;
    }
}

bool MainKeys::KeyDown(int key, Qt::KeyboardModifiers modifiers, bool keypad, bool autoRepeat, bool editing)
{
    // A press that follows its own release at once is the key repeating.
    if (releasing.remove(key)) autoRepeat = true;
    if (!autoRepeat) held.insert(key);
    if (target.KeysBlocked()) return false;
    if (editing && IsEditingKey(key, modifiers)) return false;
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (shift && key != Qt::Key_F5 && key != Qt::Key_F6) return false;
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9 && !keypad;
    bool handled = false;

    if (key == Qt::Key_F7 && !target.SettingsDialogVisible()) {
        target.CycleTimeMode();
        handled = true;
    }
    if (digit && !ctrl && PendingTens >= 0) {
        const int k = PendingTens + (key - Qt::Key_0);
        PendingTens = -1;
        if (k >= 1 && k <= target.EntryCount()) target.SelectEntry(k);
        handled = true;
    }
    switch (key) {
    case Qt::Key_F3: handled |= trigger(cmd.TypeNormItem); break;
    case Qt::Key_F4: handled |= trigger(cmd.TypeRandItem); break;
    case Qt::Key_F5:
        if (cmd.TypeProgItem->isEnabled()) trigger(shift ? cmd.TypeProgRandItem : cmd.TypeProgItem, false);
        handled = true;
        break;
    case Qt::Key_F6:
        trigger(shift ? cmd.TypeRept1Item : cmd.TypeReptItem, false);
        handled = true;
        break;
    case Qt::Key_F8: handled |= trigger(cmd.StayOnTopItem); break;
    // Help from the main and lyrics windows too (a dialog's F1 opens its own topic).
    case Qt::Key_F1:
        if (!ctrl) handled |= trigger(cmd.TopicItem);
        break;
    default: break;
    }
    if (!ctrl) return handled;

    if (digit) {
        PendingTens = 10 * (key - Qt::Key_0);
        return true;
    }
    switch (key) {
    case Qt::Key_A: return trigger(cmd.PauseBtn) || handled;
    case Qt::Key_C: return (cmd.CloseItem->isVisible() && trigger(cmd.CloseItem)) || handled;
    case Qt::Key_D: return trigger(cmd.InputDataItem) || handled;
    case Qt::Key_E: return (cmd.EjectItem->isVisible() && trigger(cmd.EjectItem)) || handled;
    case Qt::Key_G: return trigger(cmd.ProgSetItem) || handled;
    case Qt::Key_I: return trigger(cmd.CDInfoItem) || handled;
    case Qt::Key_M: return trigger(cmd.MainDispItem) || handled;
    case Qt::Key_N:
        if (!cmd.NextBtn->isEnabled()) return handled;
        target.PrevNextPress(true);
        return true;
    case Qt::Key_O: return trigger(cmd.ConfigItem) || handled;
    case Qt::Key_P: return trigger(cmd.PlayBtn) || handled;
    case Qt::Key_R:
        if (!cmd.PrevBtn->isEnabled()) return handled;
        target.PrevNextPress(false);
        return true;
    case Qt::Key_S: return trigger(cmd.StopBtn) || handled;
    case Qt::Key_W: return trigger(cmd.WordsDispItem) || handled;
    case Qt::Key_F6: target.RepeatOff(); return true;
    default: return handled;
    }
}

void MainKeys::KeyUp(int key)
{
    releasing.insert(key);
    releaseTimer.start(ReleaseGraceMs);
}

void MainKeys::commitReleases()
{
    if (releasing.isEmpty()) return;
    for (int key : std::as_const(releasing)) held.remove(key);
    releasing.clear();
    target.KeyReleased();
}
