#include "Commands.h"

#include <QPointer>

#include "Defines.h"

Command::Command(const QString& name, const QString& text, bool checkable_, bool enabled_, QObject* parent)
    : QObject(parent), caption(text), checkable(checkable_), enabled(enabled_)
{
    setObjectName(name);
}

void Command::setText(const QString& text)
{
    if (caption == text) return;
    caption = text;
    emit changed();
}

void Command::setChecked(bool on)
{
    if (checked == on) return;
    checked = on;
    if (!checkable) return;
    QPointer<Command> guard(this);
    emit changed();
    if (guard && commandGroup && on) commandGroup->checkedNow(this);
    if (guard) emit toggled(on);
}

void Command::setEnabled(bool on)
{
    const bool before = isEnabled();
    enabled = on;
    if (isEnabled() != before) emit changed();
}

void Command::setVisible(bool on)
{
    if (visible == on) return;
    visible = on;
    emit changed();
}

void Command::trigger()
{
    if (!enabled) return;
    QPointer<Command> guard(this);
    if (checkable && !checkFollows) {
        // The checked command of an exclusive group stays checked.
        const bool stays = checked && commandGroup && commandGroup->exclusion == CommandGroup::Policy::Exclusive;
        if (!stays) setChecked(!checked);
    }
    if (guard) emit triggered(isChecked());
}

CommandGroup::CommandGroup(Policy policy, QObject* parent) : QObject(parent), exclusion(policy) {}

void CommandGroup::addCommand(Command* command)
{
    command->commandGroup = this;
    members.append(command);
}

Command* CommandGroup::checkedCommand() const
{
    for (Command* c : members)
        if (c->isChecked()) return c;
    return nullptr;
}

void CommandGroup::checkedNow(Command* command)
{
    for (Command* c : members)
        if (c != command && c->isChecked()) c->setChecked(false);
}

QString CommandSet::WithKey(const QString& caption, const QString& key)
{
    return key.isEmpty() ? caption : caption + QLatin1Char('\t') + key;
}

Command* CommandSet::make(const char* name, const QString& caption, const QString& key, bool checkable, bool enabled)
{
    auto* c = new Command(QLatin1String(name), WithKey(caption, key), checkable, enabled, this);
    commands.append(c);
    return c;
}

CommandSet::CommandSet(QObject* parent) : QObject(parent)
{
    // All transport buttons start disabled; a loaded disc enables them.
    PlayBtn = make("PlayBtn", QStringLiteral("再生"), {}, false, false);
    PauseBtn = make("PauseBtn", QStringLiteral("一時停止"), {}, false, false);
    StopBtn = make("StopBtn", QStringLiteral("停止"), {}, false, false);
    PrevBtn = make("PrevBtn", QStringLiteral("巻戻し"), {}, false, false);
    NextBtn = make("NextBtn", QStringLiteral("早送り"), {}, false, false);

    CDInfoItem = make("CDInfoItem", QStringLiteral("プロパティ(&P)..."), QStringLiteral("Ctrl+I"), false, false);
    CDInfoSaveItem = make("CDInfoSaveItem", QStringLiteral("プロパティの出力(&S)..."), {}, false, false);
    DiscMngItem = make("DiscMngItem", QStringLiteral("ディスク管理(&M)..."));
    EjectItem = make("EjectItem", QStringLiteral("イジェクト(&E)"), QStringLiteral("Ctrl+E"));
    CloseItem = make("CloseItem", QStringLiteral("クローズ(&C)"), QStringLiteral("Ctrl+C"));
    ExitItem = make("ExitItem", QStringLiteral("終了(&X)"));
    ExitCaption = ExitItem->text();

    MainDispItem = make("MainDispItem", QStringLiteral("メイン(&M)"), QStringLiteral("Ctrl+M"), true);
    WordsDispItem = make("WordsDispItem", QStringLiteral("歌詞(&W)"), QStringLiteral("Ctrl+W"), true);
    StayOnTopItem = make("StayOnTopItem", QStringLiteral("常に手前に表示(&T)"), QStringLiteral("F8"), true);

    TypeNormItem = make("TypeNormItem", QStringLiteral("ノーマル(&N)"), QStringLiteral("F3"), true, false);
    TypeRandItem = make("TypeRandItem", QStringLiteral("ランダム(&R)"), QStringLiteral("F4"), true, false);
    TypeProgItem = make("TypeProgItem", QStringLiteral("プログラム(&P)"), QStringLiteral("F5"), true, false);
    TypeProgRandItem = make("TypeProgRandItem", QStringLiteral("プログラムランダム(&A)"), QStringLiteral("Shift+F5"),
                            true, false);
    TypeReptItem = make("TypeReptItem", QStringLiteral("リピート(&E)"), QStringLiteral("F6"), true, false);
    TypeRept1Item = make("TypeRept1Item", QStringLiteral("1曲リピート(&S)"), QStringLiteral("Shift+F6"), true, false);
    ProgSetItem = make("ProgSetItem", QStringLiteral("プログラム設定(&G)..."), QStringLiteral("Ctrl+G"), false, false);
    InputDataItem = make("InputDataItem", QStringLiteral("データ入力(&D)..."), QStringLiteral("Ctrl+D"), false, false);
    ConfigItem = make("ConfigItem", QStringLiteral("環境設定(&O)..."), QStringLiteral("Ctrl+O"));

    TopicItem = make("TopicItem", QStringLiteral("トピックの検索(&H)"), QStringLiteral("F1"));
    AboutItem = make("AboutItem", QStringLiteral("バージョン情報(&A)..."));

    PlayItem = make("PlayItem", QStringLiteral("再生(&P)"), {}, true, false);
    PauseItem = make("PauseItem", QStringLiteral("一時停止(&A)"), {}, true, false);
    StopItem = make("StopItem", QStringLiteral("停止(&S)"), {}, true, false);
    PrevTrkItem = make("PrevTrkItem", QStringLiteral("前のトラック(&R)"));
    TopTrkItem = make("TopTrkItem", QStringLiteral("トラックの先頭(&T)"));
    NextTrkItem = make("NextTrkItem", QStringLiteral("次のトラック(&N)"));

    PlayTypeGroup = new CommandGroup(CommandGroup::Policy::Exclusive, this);
    for (Command* c : {TypeNormItem, TypeRandItem, TypeProgItem, TypeProgRandItem}) PlayTypeGroup->addCommand(c);
    // Clicking the checked repeat item turns repeat off, so nothing checked is allowed.
    RepeatGroup = new CommandGroup(CommandGroup::Policy::ExclusiveOptional, this);
    RepeatGroup->addCommand(TypeReptItem);
    RepeatGroup->addCommand(TypeRept1Item);

    for (Command* c : {TypeNormItem, TypeRandItem, TypeProgItem, TypeProgRandItem, TypeReptItem, TypeRept1Item,
                       PlayItem, PauseItem, StopItem})
        c->setCheckFollows(true);
    connect(&State, &PlayState::Changed, this, &CommandSet::showState);
    showState();
}

void CommandSet::showState()
{
    const bool ready = State.Now() != TransportState::NoDisc;
    const bool stopped = State.Now() == TransportState::Stopped;
    const bool started = State.Started();
    PlayBtn->setEnabled(stopped);
    PauseBtn->setEnabled(started);
    StopBtn->setEnabled(started);
    PrevBtn->setEnabled(ready);
    NextBtn->setEnabled(ready);
    // The lyrics window's transport items: checked on the state playback is in.
    PlayItem->setEnabled(stopped);
    PauseItem->setEnabled(started);
    StopItem->setEnabled(started);
    PlayItem->setChecked(started);
    PauseItem->setChecked(State.Paused());
    StopItem->setChecked(!started);
    for (int type = ptNormal; type <= ptProgramRandom; ++type) {
        Command* item = PlayTypeItem(type);
        item->setEnabled(ready && (type == ptNormal || type == ptRandom || State.HasProgram()));
        item->setChecked(State.Type() == type);
    }
    TypeReptItem->setEnabled(ready);
    TypeRept1Item->setEnabled(ready);
    TypeReptItem->setChecked(State.Repeat() == RepeatMode::All);
    TypeRept1Item->setChecked(State.Repeat() == RepeatMode::One);
}

Command* CommandSet::PlayTypeItem(int playType) const
{
    switch (playType) {
    case 0: return TypeNormItem;
    case 1: return TypeRandItem;
    case 2: return TypeProgItem;
    case 3: return TypeProgRandItem;
    default: return nullptr;
    }
}

QList<Command*> CommandSet::All() const { return commands; }

Command* CommandSet::Find(const QString& name) const
{
    for (Command* c : commands)
        if (c->objectName() == name) return c;
    return nullptr;
}
