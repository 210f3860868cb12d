#include "Main.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QWindow>

#include "Actions.h"
#include "Glyphs.h"
#include "SystemBus.h"
#include "TaskTray.h"
#include "core/common/Commands.h"
#include "core/common/Etc.h"
#include "core/common/Fonts.h"
#include "core/discdata/Words.h"
#include "core/drive/CdDevice.h"
#include "core/settings/IniFile.h"
#include "ui/lyrics/WordsForm.h"
#include "ui/lyrics/WordsMenu.h"

namespace {
// Client area of the bar at 96 dpi.
constexpr int kClientWidth = 330;
constexpr int kClientHeight = 78;

int S(int pixels) { return ScaleToScreen(pixels); }

void SetTextColour(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

void SetFill(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

} // namespace

TMainForm::TMainForm(CommandSet& commands, Settings& s, PlayLog& log, QWidget* parent)
    : QMainWindow(parent), Keys(commands, Windows, *this), cmd(commands), settings(s), playLog(log)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(Caption);
    setWindowIcon(AppIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    saver = new ScreenSaverInhibitor(this);
    TaskTray = new TTaskTray(this);
    connect(TaskTray, &TTaskTray::OnTrayClick, this, &TMainForm::trayClick);
    Windows.SetTopmost = [this](bool on) {
        setStayOnTopFlag(on);
        if (wordsForm) wordsForm->SetStayOnTop(on);
    };
    Windows.Counting = [this] { return controller && !controller->Starting; };
    buildControls();
    buildMenus();
    connectCommands();
    resize(S(kClientWidth), height());
    fixHeight();
    layoutControls();
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &TMainForm::applicationStateChanged);
    ShowDiscTitle();
    GlyphsChanged();
}

TMainForm::~TMainForm() = default;

void TMainForm::Attach(PlaybackController* c, TWords* w, CdDevice* d)
{
    controller = c;
    words = w;
    device = d;
    Keys.Attach(c);
}

// ---------------------------------------------------------------- building

void TMainForm::buildControls()
{
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->installEventFilter(this);
    setCentralWidget(client);

    Bevel3 = new QFrame(client);
    Bevel3->setFrameShape(QFrame::HLine);
    Bevel3->setFrameShadow(QFrame::Sunken);
    // The time display's frame, filled with the background like the shape behind it.
    Bevel1 = new QFrame(client);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Bevel2 = new QFrame(client);
    Bevel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    TimeImageLabel = new QLabel(client);
    TimeImageLabel->setObjectName(QStringLiteral("TimeImage"));
    ModeLabel = new ClickLabel(QStringLiteral("Wait..."), client);
    ModeLabel->setObjectName(QStringLiteral("ModeLabel"));
    ModeLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    ModeLabel->setToolTip(QStringLiteral("時間表示モード (クリックで変更)"));
    TypeLabel = new ClickLabel(client);
    TypeLabel->setObjectName(QStringLiteral("TypeLabel"));
    TypeLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    TypeLabel->setToolTip(QStringLiteral("演奏タイプ (クリックで変更)"));
    TitleLabel = new QLabel(client);
    TitleLabel->setObjectName(QStringLiteral("TitleLabel"));
    ArtistLabel = new QLabel(client);
    ArtistLabel->setObjectName(QStringLiteral("ArtistLabel"));
    ArtistLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    for (QLabel* l : {TitleLabel, ArtistLabel}) l->setTextFormat(Qt::PlainText);

    MTitleBox = new TrackBox(client);
    MTitleBox->setObjectName(QStringLiteral("MTitleBox"));
    MTitleBox->setMaxVisibleItems(15);
    MTitleBox->setToolTip(QStringLiteral("曲名表示/ダイレクト選曲"));
    MTitleBox->setEnabled(false);
    MTitleBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    MTitleBox->setMinimumContentsLength(4);

    auto button = [this](Command* command, const char* name) {
        auto* b = new QToolButton(client);
        b->setObjectName(QLatin1String(name));
        b->setDefaultAction(ActionFor(command));
        b->setIconSize(QSize(16, 16));
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::StrongFocus);
        return b;
    };
    PlayButton = button(cmd.PlayBtn, "PlayBtn");
    PauseButton = button(cmd.PauseBtn, "PauseBtn");
    StopButton = button(cmd.StopBtn, "StopBtn");
    PrevButton = button(cmd.PrevBtn, "PrevBtn");
    NextButton = button(cmd.NextBtn, "NextBtn");
    ActionFor(cmd.PrevBtn)->setIcon(GlyphIcon(QStringLiteral("Prev")));
    ActionFor(cmd.NextBtn)->setIcon(GlyphIcon(QStringLiteral("Next")));
    setTabOrder(MTitleBox, PlayButton);
    setTabOrder(PlayButton, PauseButton);
    setTabOrder(PauseButton, StopButton);
    setTabOrder(StopButton, PrevButton);
    setTabOrder(PrevButton, NextButton);

    ApplyColours();
}

void TMainForm::buildMenus()
{
    const MainMenus menus = BuildMainMenus(menuBar(), cmd);
    DiscMenu = menus.Disc;
    DispMenu = menus.Disp;
    OptionMenu = menus.Option;
    HelpMenu = menus.Help;
    N12 = menus.N12;
    connect(DiscMenu, &QMenu::aboutToShow, this, &TMainForm::discMenuAboutToShow);
}

void TMainForm::AttachWordsForm(TWordsForm* form)
{
    wordsForm = form;
    // The lyrics window's menu is the icon's right-button menu too. Opening it sets the
    // exit caption as the Disc menu does; otherwise a stale Shift choice would decide the exit.
    TaskTray->PopupMenuRight = form->PopMenu();
    connect(form->PopMenu(), &QMenu::aboutToShow, this, &TMainForm::discMenuAboutToShow);
    connect(form, &TWordsForm::CloseRequested, this, [this, form] {
        if (!close()) form->CloseRefused();
    });
    form->SetStayOnTop(Windows.StayOnTop);
}

void TMainForm::connectCommands()
{
    connect(cmd.ExitItem, &Command::triggered, this, [this] {
        exitFromItem = true;
        close();
        exitFromItem = false;
    });
    connect(cmd.MainDispItem, &Command::triggered, this, &TMainForm::mainDispItemClick);
    connect(cmd.StayOnTopItem, &Command::triggered, this, [this] {
        Windows.StayOnTop = cmd.StayOnTopItem->isChecked();
        ApplyStayOnTop();
    });
    connect(cmd.EjectItem, &Command::triggered, this, [this] {
        RedrawDisplay();
        if (device) device->Eject();
    });
    connect(cmd.CloseItem, &Command::triggered, this, [this] {
        RedrawDisplay();
        if (device) device->CloseDoor();
    });
    connect(cmd.AboutItem, &Command::triggered, this, &TMainForm::showAbout);
    connect(cmd.TopicItem, &Command::triggered, this, &TMainForm::showHelp);
    connect(cmd.TypeReptItem, &Command::toggled, this, [this] { RedrawDisplay(); });
    connect(cmd.TypeRept1Item, &Command::toggled, this, [this] { RedrawDisplay(); });

    connect(ModeLabel, &ClickLabel::clicked, this, [this](Qt::KeyboardModifiers) {
        if (controller) controller->CycleTimeMode();
    });
    connect(TypeLabel, &ClickLabel::clicked, this, [this](Qt::KeyboardModifiers m) {
        if (!controller) return;
        if (m & Qt::ShiftModifier)
            controller->CycleRepeat();
        else
            controller->CyclePlayType();
    });
    // A press on Prev or Next starts a skip or a held seek; the click that ends it
    // reaches the controller through the action.
    for (auto [button, next] : {std::pair{PrevButton, false}, {NextButton, true}})
        connect(button, &QToolButton::pressed, this, [this, next] {
            if (controller) controller->PrevNextPress(next);
        });

    connect(MTitleBox, &TrackBox::droppedDown, this, [this] {
        listDropped = true;
        Windows.SkipOnce();
    });
    // The list closed: a choice has been taken by now or there was none (cancelled),
    // either way the skipped reassertion is no longer owed.
    connect(MTitleBox, &TrackBox::closedUp, this, [this] {
        listDropped = false;
        Windows.CancelSkip();
    });
    connect(MTitleBox, &QComboBox::activated, this, [this](int index) {
        listDropped = false;
        if (controller) controller->SelectFromList(index);
        Windows.CancelSkip();
    });
}

// ---------------------------------------------------------------- layout

void TMainForm::layoutControls()
{
    const int w = client->width();
    const int grow = w - S(kClientWidth); // what the window gained in width
    auto place = [](QWidget* c, int x, int y, int cw, int ch) { c->setGeometry(x, y, cw, ch); };
    place(Bevel3, 0, 0, w - S(1), S(3));
    place(Bevel1, S(8), S(8), S(145), S(33));
    place(TimeImageLabel, S(9), S(9), S(93), S(31));
    const int smallHeight = qMax(S(13), ModeLabel->fontMetrics().height());
    place(ModeLabel, S(102), qMin(S(12), S(26) - smallHeight / 2), S(48), smallHeight);
    place(TypeLabel, S(102), qMin(S(24), S(40) - smallHeight), S(48), smallHeight);
    place(Bevel2, S(160), S(8), S(161) + grow, S(33));
    // The two lines are placed by their baselines: the Japanese faces that stand in for
    // the old ones have tall line spacing, and placed by their tops the artist would be
    // cut off at the frame and touch the title.
    const QFontMetrics titleMetrics = TitleLabel->fontMetrics(), artistMetrics = ArtistLabel->fontMetrics();
    const int titleTop = S(23) - titleMetrics.ascent();
    const int artistTop = S(37) - artistMetrics.ascent();
    place(TitleLabel, S(166), titleTop, S(147) + grow, qMax(S(15), titleMetrics.height()));
    place(ArtistLabel, S(166), artistTop, S(147) + grow, qMin(qMax(S(12), artistMetrics.height()), S(40) - artistTop));
    const int boxHeight = qMax(S(20), qMin(MTitleBox->sizeHint().height(), S(28)));
    place(MTitleBox, S(8), S(60) - boxHeight / 2, S(169) + grow, boxHeight);
    place(PlayButton, S(184) + grow, S(48), S(40), S(24));
    place(PauseButton, S(224) + grow, S(48), S(24), S(24));
    place(StopButton, S(248) + grow, S(48), S(24), S(24));
    place(PrevButton, S(272) + grow, S(48), S(24), S(24));
    place(NextButton, S(296) + grow, S(48), S(24), S(24));
}

void TMainForm::fixHeight()
{
    const bool bar = !settings.HideMainBar;
    const int barHeight = bar ? menuBar()->sizeHint().height() : 0;
    setFixedHeight(barHeight + S(kClientHeight));
    // The menu bar never wraps: the window is at least as wide as its four titles + 16.
    const int menuWidth = bar ? menuBar()->sizeHint().width() + 16 : 0;
    setMinimumWidth(qMax(menuWidth, S(250)));
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layoutControls();
}

// Takes the colours and the main font from the settings and paints with them.
void TMainForm::ApplyColours()
{
    backColor = FromColorRef(settings.BackColor);
    titleColor = FromColorRef(settings.TitleColor);
    artistColor = FromColorRef(settings.ArtistColor);
    timeColor = FromColorRef(settings.TimeColor);
    reptColor = FromColorRef(settings.ReptColor);
    rept1Color = FromColorRef(settings.Rept1Color);
    mainFont = FontWithStyle(settings.MainFontName, settings.MainFontStyle, S(12));

    SetFill(Bevel1, backColor);
    SetFill(Bevel2, backColor);
    Image.background = backColor;
    Image.timeColor = timeColor;
    SetTextColour(TitleLabel, titleColor);
    SetTextColour(ArtistLabel, artistColor);
    SetTextColour(ModeLabel, timeColor);
    SetTextColour(TypeLabel, timeColor);
}

// ---------------------------------------------------------------- settings

void TMainForm::ApplySettings()
{
    ApplyColours();

    PlayOnExit = settings.PlayOnExit;
    cmd.EjectItem->setVisible(settings.EnableEject);
    cmd.CloseItem->setVisible(settings.EnableClose);
    N12->setVisible(settings.EnableEject || settings.EnableClose);
    Windows.StayOnTop = settings.StayOnTop;
    cmd.StayOnTopItem->setChecked(Windows.StayOnTop);
    if (controller) {
        controller->TimerInt = qBound(10, settings.TimerInt, 10000);
        controller->AutoPlay = settings.AutoPlay;
        controller->TrueTrack = settings.TrueTrack;
        if (settings.TimeDisp >= 0) controller->TimeMode = qMin(settings.TimeDisp, 3);
        controller->UpdateTimerInterval();
    }
    playLog.RecordLog = settings.RecordLog;
    playLog.LogFmt = settings.LogFmt;
    playLog.LogFmtStartTime = settings.LogFmtStartTime;
    playLog.LogFmtEndTime = settings.LogFmtEndTime;
    TaskTray->SetEnableTaskTray(settings.TaskTray);
    applySaver();
    ApplyWindowSettings();
    ApplyStayOnTop();
}

void TMainForm::ApplyLoadedWindowState()
{
    resize(qMax(settings.MainWidth - 8, minimumWidth()), height());
    move(settings.MainLeft, pos().y());
    // The window-visibility bits click the display items (both start unchecked).
    if (settings.Visible & 2) cmd.WordsDispItem->trigger();
    if (settings.Visible & 1) cmd.MainDispItem->trigger();
}

void TMainForm::ApplyWindowSettings()
{
    const bool bare = settings.HideMainBar;
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::FramelessWindowHint, bare);
    if (flags != windowFlags()) {
        overrideWindowFlags(flags);
        if (windowHandle()) windowHandle()->setFlags(flags);
    }
    menuBar()->setVisible(!bare);
    Bevel3->setVisible(!bare);
    fixHeight();
    QString caption = QStringLiteral("Mirelune");
    if (settings.ShowDriveName) caption += QStringLiteral(" - ") + DriveDisplayName;
    Caption = caption;
    RedrawDisplay();
}

void TMainForm::applySaver()
{
    const bool on = SaverDisabled ||
                    (settings.StopSaver >= 1 && QGuiApplication::applicationState() == Qt::ApplicationActive);
    saver->SetInhibited(on && !closed);
}

// ---------------------------------------------------------------- display

void TMainForm::UpdateDisplay()
{
    QString title = Caption;
    const bool statusInTitle = !MainShown || Minimized();

    QFont timeFont = mainFont;
    Image.font = timeFont;
    // A font without Japanese glyphs gets the ASCII marks.
    const QString family = QFontInfo(timeFont).family();
    Image.japaneseMarks = QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese);
    QFont small = mainFont;
    small.setPixelSize(S(12));
    QFont titleFont = mainFont;
    titleFont.setPixelSize(S(13));
    bool fontsChanged = false;
    for (auto [label, font] : {std::pair<QLabel*, QFont>{ModeLabel, small},
                               {TypeLabel, small},
                               {ArtistLabel, small},
                               {TitleLabel, titleFont}}) {
        if (label->font() == font) continue;
        label->setFont(font);
        fontsChanged = true;
    }
    if (fontsChanged) layoutControls();

    DisplayInput in;
    if (controller) {
        in.loading = controller->Loading;
        in.deviceMode = controller->DeviceModeNow;
        in.number = controller->ShownNumber;
        in.minutes = controller->ShownMinutes;
        in.seconds = controller->ShownSeconds;
    }
    in.hasAudio = words && words->AudioState != 0;
    const int clears = Image.clears, draws = Image.timeDraws;
    const QString drawnBefore = Image.DrawnTime;
    const int state = Image.Update(in);
    if (state != dsTime) {
        TypeLabel->setVisible(false);
        if (statusInTitle) title += QStringLiteral(" - ") + StatusText(state);
    } else {
        TypeLabel->setVisible(true);
        const int type = controller ? controller->PlayType() : ptNormal;
        TypeLabel->setText(PlayTypeText(type, controller ? controller->ShownOrdinal : 0));
        const bool rept = cmd.State.Repeat() == RepeatMode::All, rept1 = cmd.State.Repeat() == RepeatMode::One;
        SetTextColour(TypeLabel, rept ? reptColor : rept1 ? rept1Color : timeColor);
        SetTextColour(ModeLabel, timeColor);
        if (statusInTitle) title = StatusTitle(in.number, in.minutes, in.seconds, title);
    }
    if (Image.clears != clears || Image.timeDraws != draws || Image.DrawnTime != drawnBefore || state != dsTime)
        TimeImageLabel->setPixmap(QPixmap::fromImage(Image.image));
    if (windowTitle() != title) {
        setWindowTitle(title);
        TaskTray->SetTips(title.left(255));
    }
}

void TMainForm::RedrawDisplay()
{
    Image.RequestRedraw();
    UpdateDisplay();
}

void TMainForm::ShowDiscTitle()
{
    const bool noDisc = !controller || !words || NoDiscMode(controller->DeviceModeNow);
    TitleLabel->setText(noDisc ? QString() : words->Title);
    ArtistLabel->setText(noDisc ? QString() : words->Artist);
    TitleLabel->setToolTip(TitleLabel->text());
    ArtistLabel->setToolTip(ArtistLabel->text());
}

void TMainForm::ShowModeLabel(bool visible, const QString& text)
{
    ModeLabel->setText(text);
    ModeLabel->setVisible(visible);
}

void TMainForm::GlyphsChanged()
{
    if (!controller) {
        ActionFor(cmd.PlayBtn)->setIcon(GlyphIcon(QStringLiteral("Play0")));
        ActionFor(cmd.PauseBtn)->setIcon(GlyphIcon(QStringLiteral("Pause0")));
        ActionFor(cmd.StopBtn)->setIcon(GlyphIcon(QStringLiteral("Stop0")));
        return;
    }
    ActionFor(cmd.PlayBtn)->setIcon(GlyphIcon(controller->PlayGlyph));
    ActionFor(cmd.PauseBtn)->setIcon(GlyphIcon(controller->PauseGlyph));
    ActionFor(cmd.StopBtn)->setIcon(GlyphIcon(controller->StopGlyph));
}

void TMainForm::FocusButton(Command* button)
{
    for (QToolButton* b : {PlayButton, PauseButton, StopButton, PrevButton, NextButton})
        if (b->defaultAction() == ActionFor(button)) b->setFocus();
}

void TMainForm::FocusMainWindow()
{
    if (MainShown) setFocus();
}

void TMainForm::TrackListChanged()
{
    if (!controller) return;
    QStringList current;
    for (int i = 0; i < MTitleBox->count(); ++i) current << MTitleBox->itemText(i);
    if (current != controller->TrackItems) {
        MTitleBox->clear();
        MTitleBox->addItems(controller->TrackItems);
    }
    MTitleBox->setEnabled(controller->TrackListEnabled);
    if (!listDropped && MTitleBox->currentIndex() != controller->TrackListIndex)
        MTitleBox->setCurrentIndex(controller->TrackListIndex);
}
