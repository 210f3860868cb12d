#include "MainParts.h"

#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

#include "Actions.h"
#include "core/common/Commands.h"

void TrackBox::showPopup()
{
    emit droppedDown();
    QComboBox::showPopup();
}

void TrackBox::hidePopup()
{
    QComboBox::hidePopup();
    emit closedUp();
}

void ClickLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        emit clicked(event->modifiers());
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

MainMenus BuildMainMenus(QMenuBar* bar, CommandSet& cmd)
{
    MainMenus m{};
    bar->setNativeMenuBar(false);
    m.Disc = bar->addMenu(QStringLiteral("ディスク(&D)"));
    m.Disc->setObjectName(QStringLiteral("DiscMenu"));
    m.Disc->addAction(ActionFor(cmd.CDInfoItem));
    m.Disc->addAction(ActionFor(cmd.CDInfoSaveItem));
    m.Disc->addAction(ActionFor(cmd.DiscMngItem));
    m.Disc->addSeparator()->setObjectName(QStringLiteral("N11"));
    m.Disc->addAction(ActionFor(cmd.EjectItem));
    m.Disc->addAction(ActionFor(cmd.CloseItem));
    m.N12 = m.Disc->addSeparator();
    m.N12->setObjectName(QStringLiteral("N12"));
    m.Disc->addAction(ActionFor(cmd.ExitItem));

    m.Disp = bar->addMenu(QStringLiteral("表示(&V)"));
    m.Disp->setObjectName(QStringLiteral("DispMenu"));
    m.Disp->addAction(ActionFor(cmd.MainDispItem));
    m.Disp->addAction(ActionFor(cmd.WordsDispItem));
    m.Disp->addSeparator()->setObjectName(QStringLiteral("N21"));
    m.Disp->addAction(ActionFor(cmd.StayOnTopItem));

    m.Option = bar->addMenu(QStringLiteral("設定(&O)"));
    m.Option->setObjectName(QStringLiteral("OptionMenu"));
    for (Command* c : {cmd.TypeNormItem, cmd.TypeRandItem, cmd.TypeProgItem, cmd.TypeProgRandItem})
        m.Option->addAction(ActionFor(c));
    m.Option->addSeparator()->setObjectName(QStringLiteral("N31"));
    m.Option->addAction(ActionFor(cmd.TypeReptItem));
    m.Option->addAction(ActionFor(cmd.TypeRept1Item));
    m.Option->addSeparator()->setObjectName(QStringLiteral("N32"));
    for (Command* c : {cmd.ProgSetItem, cmd.InputDataItem, cmd.ConfigItem}) m.Option->addAction(ActionFor(c));

    m.Help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    m.Help->setObjectName(QStringLiteral("HelpMenu"));
    m.Help->addAction(ActionFor(cmd.TopicItem));
    m.Help->addSeparator()->setObjectName(QStringLiteral("N4"));
    m.Help->addAction(ActionFor(cmd.AboutItem));
    return m;
}
