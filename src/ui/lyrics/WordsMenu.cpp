#include "WordsMenu.h"

#include <QActionEvent>
#include <QActionGroup>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include "core/common/Commands.h"
#include "core/playback/PlaybackController.h"
#include "ui/main/Actions.h"

// ---------------------------------------------------------------- ColumnMenu

ColumnMenu::ColumnMenu(int perColumn_, const QString& title, QWidget* parent)
    : QMenu(title, parent), perColumn(std::max(1, perColumn_))
{
}

void ColumnMenu::actionEvent(QActionEvent* event)
{
    QMenu::actionEvent(event);
    dirty = true;
}

void ColumnMenu::layoutItems() const
{
    if (!dirty) return;
    dirty = false;
    rects.clear();
    const QList<QAction*> items = actions();
    const int frame = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    const int hMargin = style()->pixelMetric(QStyle::PM_MenuHMargin, nullptr, this);
    const int vMargin = style()->pixelMetric(QStyle::PM_MenuVMargin, nullptr, this);
    QList<QSize> sizes;
    for (QAction* a : items) {
        QStyleOptionMenuItem opt;
        initStyleOption(&opt, a);
        const QFontMetrics fm(opt.font);
        const QSize text(fm.boundingRect(QRect(), Qt::TextSingleLine | Qt::TextShowMnemonic, a->text()).width(),
                         fm.height());
        sizes << style()->sizeFromContents(QStyle::CT_MenuItem, &opt, text, this);
    }
    const int left = frame + hMargin, top = frame + vMargin;
    int x = left, bottom = top;
    for (int first = 0; first < items.size(); first += perColumn) {
        const int last = std::min<int>(first + perColumn, items.size());
        int width = 0;
        for (int i = first; i < last; ++i) width = std::max(width, sizes[i].width());
        int y = top;
        for (int i = first; i < last; ++i) {
            rects << QRect(x, y, width, sizes[i].height());
            y += sizes[i].height();
        }
        bottom = std::max(bottom, y);
        x += width;
    }
    size = QSize(std::max(x, left) + frame + hMargin, bottom + frame + vMargin);
}

QRect ColumnMenu::ItemRect(int i) const
{
    layoutItems();
    return i >= 0 && i < rects.size() ? rects[i] : QRect();
}

QSize ColumnMenu::sizeHint() const
{
    layoutItems();
    return size;
}

int ColumnMenu::indexAt(const QPoint& pos) const
{
    layoutItems();
    for (int i = 0; i < rects.size(); ++i)
        if (rects[i].contains(pos)) return i;
    return -1;
}

void ColumnMenu::paintEvent(QPaintEvent*)
{
    layoutItems();
    QPainter p(this);
    QStyleOption panel;
    panel.initFrom(this);
    panel.state = QStyle::State_None;
    style()->drawPrimitive(QStyle::PE_PanelMenu, &panel, &p, this);
    const QList<QAction*> items = actions();
    for (int i = 0; i < items.size() && i < rects.size(); ++i) {
        QStyleOptionMenuItem opt;
        initStyleOption(&opt, items[i]);
        opt.rect = rects[i];
        style()->drawControl(QStyle::CE_MenuItem, &opt, &p, this);
    }
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.state = QStyle::State_None;
    frame.lineWidth = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    frame.midLineWidth = 0;
    style()->drawPrimitive(QStyle::PE_FrameMenu, &frame, &p, this);
}

void ColumnMenu::mouseMoveEvent(QMouseEvent* event)
{
    if (!rect().contains(event->position().toPoint())) {
        QMenu::mouseMoveEvent(event); // the parent menus follow the pointer
        return;
    }
    const int i = indexAt(event->position().toPoint());
    QAction* a = i >= 0 ? actions().at(i) : nullptr;
    if (a != activeAction()) {
        setActiveAction(a);
        update();
    }
}

void ColumnMenu::mousePressEvent(QMouseEvent* event)
{
    if (!rect().contains(event->position().toPoint())) QMenu::mousePressEvent(event); // closes the menu
}

void ColumnMenu::mouseReleaseEvent(QMouseEvent* event)
{
    const int i = indexAt(event->position().toPoint());
    if (i >= 0 && actions().at(i)->isEnabled()) choose(actions().at(i));
}

void ColumnMenu::keyPressEvent(QKeyEvent* event)
{
    const QList<QAction*> items = actions();
    const int current = items.indexOf(activeAction());
    auto activate = [&](int i) {
        if (i < 0 || i >= items.size()) return;
        setActiveAction(items[i]);
        update();
    };
    switch (event->key()) {
    case Qt::Key_Up: activate(current <= 0 ? items.size() - 1 : current - 1); return;
    case Qt::Key_Down: activate(current < 0 || current + 1 >= items.size() ? 0 : current + 1); return;
    case Qt::Key_Right:
        if (current >= 0 && current + perColumn < items.size()) activate(current + perColumn);
        return;
    case Qt::Key_Left:
        if (current >= perColumn) {
            activate(current - perColumn);
            return;
        }
        break; // back to the parent menu
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (current >= 0 && items[current]->isEnabled()) choose(items[current]);
        return;
    default: {
        // The underlined character: one match is chosen, several are stepped through.
        QList<int> matches;
        for (int i = 0; i < items.size(); ++i) {
            const QKeySequence m = QKeySequence::mnemonic(items[i]->text());
            if (!m.isEmpty() && m[0].key() == event->key() && items[i]->isEnabled()) matches << i;
        }
        if (matches.size() == 1) {
            choose(items[matches[0]]);
            return;
        }
        if (!matches.isEmpty()) {
            const auto next = std::upper_bound(matches.begin(), matches.end(), current);
            activate(next == matches.end() ? matches.first() : *next);
            return;
        }
        break;
    }
    }
    QMenu::keyPressEvent(event);
}

void ColumnMenu::choose(QAction* action)
{
    // The whole chain of open menus closes before the command runs, as a menu does.
    for (QWidget* w = this; w; w = w->parentWidget())
        if (auto* menu = qobject_cast<QMenu*>(w)) menu->hide();
    emit triggered(action);
    action->trigger();
}

// ---------------------------------------------------------------- PlainMenu

QStyleOptionMenuItem PlainMenu::ItemOption(const QAction* action) const
{
    QStyleOptionMenuItem option;
    initStyleOption(&option, action);
    return option;
}

void PlainMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenu::initStyleOption(option, action);
    const qsizetype tab = option->text.indexOf(QLatin1Char('\t'));
    if (tab >= 0) option->text.truncate(tab);
    option->reservedShortcutWidth = 0;
}

// ---------------------------------------------------------------- WordsPopMenu

TWordsPopMenu::TWordsPopMenu(CommandSet& commands, QWidget* parent) : PlainMenu(parent), cmd(commands)
{
    setObjectName(QStringLiteral("WordsPopMenu"));
    auto submenu = [this](const QString& title) {
        auto* menu = new PlainMenu(title, this);
        addMenu(menu);
        return menu;
    };
    PerformMenu = submenu(QStringLiteral("演奏(&P)"));
    PerformMenu->setObjectName(QStringLiteral("PerformMenu"));
    for (Command* c : {cmd.PlayItem, cmd.PauseItem, cmd.StopItem}) PerformMenu->addAction(ActionFor(c));
    PerformMenu->addSeparator();
    for (Command* c : {cmd.PrevTrkItem, cmd.TopTrkItem, cmd.NextTrkItem}) PerformMenu->addAction(ActionFor(c));
    DirectSeekItem = new ColumnMenu(kDirectSeekColumn, QStringLiteral("ダイレクト選曲(&D)"), PerformMenu);
    DirectSeekItem->setObjectName(QStringLiteral("DirectSeekItem"));
    PerformMenu->addMenu(DirectSeekItem);

    DispMenu = submenu(QStringLiteral("表示(&V)"));
    DispMenu->setObjectName(QStringLiteral("DispMenu"));
    DispMenu->addAction(ActionFor(cmd.MainDispItem));
    DispMenu->addAction(ActionFor(cmd.WordsDispItem));
    DispMenu->addSeparator();
    DispMenu->addAction(ActionFor(cmd.StayOnTopItem));

    ConfigMenu = submenu(QStringLiteral("設定(&O)"));
    ConfigMenu->setObjectName(QStringLiteral("ConfigMenu"));
    for (Command* c : {cmd.TypeNormItem, cmd.TypeRandItem, cmd.TypeProgItem, cmd.TypeProgRandItem})
        ConfigMenu->addAction(ActionFor(c));
    ConfigMenu->addSeparator();
    ConfigMenu->addAction(ActionFor(cmd.TypeReptItem));
    ConfigMenu->addAction(ActionFor(cmd.TypeRept1Item));
    ConfigMenu->addSeparator();
    for (Command* c : {cmd.ProgSetItem, cmd.InputDataItem, cmd.ConfigItem}) ConfigMenu->addAction(ActionFor(c));

    addSeparator();
    addAction(ActionFor(cmd.ExitItem));
}

QString TWordsPopMenu::DirectSeekCaption(const QString& entry)
{
    QString caption = entry;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    if (caption.size() >= 2) caption.insert(1, QLatin1Char('&'));
    return caption;
}

void TWordsPopMenu::Prepare(const PlaybackController& player)
{
    // The transport items follow the play state by themselves (the command set shows it).
    PerformMenu->menuAction()->setEnabled(player.TrackListEnabled);

    DirectSeekItem->clear();
    delete entries;
    entries = new QActionGroup(DirectSeekItem);
    entries->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    if (!player.TrackListEnabled) return;
    for (int i = 0; i < player.TrackItems.size(); ++i) {
        QAction* a = DirectSeekItem->addAction(DirectSeekCaption(player.TrackItems[i]));
        a->setCheckable(true);
        entries->addAction(a);
        const int k = i + 1;
        connect(a, &QAction::triggered, this, [this, k] { emit EntryChosen(k); });
    }
    // Only while playing or paused does an entry carry the check.
    const QList<QAction*> items = DirectSeekItem->actions();
    if (player.Started() && player.TrackListIndex >= 0 && player.TrackListIndex < items.size())
        items[player.TrackListIndex]->setChecked(true);
}
