#include "WordsForm.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include "WordsMenu.h"
#include "core/common/Clock.h"
#include "core/common/Commands.h"
#include "core/common/Etc.h"
#include "core/common/Fonts.h"
#include "core/discdata/Words.h"
#include "core/drive/CdDevice.h"
#include "core/settings/IniFile.h"

namespace {
// The window's width never goes below what a small title bar needs.
constexpr int kMinWidth = 112;
// The sizing frame drawn around the text when there is no title bar.
constexpr int kFrame = 3;
// A hand-edited size beyond this would make a window larger than any screen.
constexpr int kMaxPoints = 300;
// Frame widths of the old window, kept in the stored width so that it means the same.
constexpr int kStoredFrameWidth = 8;
// The window never keeps these states: it is one line high, the font follows its height.
constexpr Qt::WindowStates kBigStates = Qt::WindowMaximized | Qt::WindowFullScreen;
// How long the geometry must be still before the window counts as placed there.
constexpr int kSettleMs = 300;
} // namespace

TWordsForm::TWordsForm(CommandSet& commands, Settings& s, Clock& c, QWidget* parent)
    : QWidget(parent), cmd(commands), settings(s), clock(c)
{
    setObjectName(QStringLiteral("WordsForm"));
    setWindowTitle(QStringLiteral("歌詞"));
    // Every pixel is painted from the image; nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    applyFrame();

    popMenu = new TWordsPopMenu(cmd, this);
    connect(popMenu, &QMenu::aboutToShow, this, [this] {
        if (player) popMenu->Prepare(*player);
    });
    connect(popMenu, &TWordsPopMenu::EntryChosen, this, [this](int k) {
        if (!player) return;
        player->SelectEntry(k);
        if (host) host->FocusMainWindow();
    });
    connect(cmd.PlayItem, &Command::triggered, this, [this] {
        cmd.PlayBtn->trigger();
        if (host) host->FocusMainWindow();
    });
    connect(cmd.PauseItem, &Command::triggered, this, [this] { cmd.PauseBtn->trigger(); });
    connect(cmd.StopItem, &Command::triggered, this, [this] {
        cmd.StopBtn->trigger();
        if (host) host->FocusMainWindow();
    });

    // The line changes when its time comes, not at the next tick.
    ChangeTimer.setSingleShot(true);
    ChangeTimer.setTimerType(Qt::PreciseTimer);
    connect(&ChangeTimer, &QTimer::timeout, this, [this] {
        // A held fast seek leaves the window alone, as the tick does. A quick skip that
        // waits to jump shows where it goes, not what the drive still plays.
        if (player && !player->FastSeeking) updateWords(lastActive, !player->SkipPending);
    });

    SettleTimer.setSingleShot(true);
    SettleTimer.setInterval(kSettleMs);
    connect(&SettleTimer, &QTimer::timeout, this, &TWordsForm::geometryStill);

    fontPixels = PixelsOfPoints(settings.WordsFontSize, ScreenDpi());
    look.font = FontWithStyle(settings.WordsFontName, settings.WordsFontStyle, fontPixels);
    Relayout();
    settle();
}

TWordsForm::~TWordsForm() = default;

void TWordsForm::Attach(PlaybackController* p, const TWords* w, CdDevice* d, PlaybackHost* h)
{
    player = p;
    words = w;
    device = d;
    host = h;
}

// ---------------------------------------------------------------- the line

bool TWordsForm::UpdateWords(bool active) { return updateWords(active, false); }

bool TWordsForm::updateWords(bool active, bool readDrive)
{
    if (!player || !words) return true;
    lastActive = active;
    WordsInput in;
    in.Active = active;
    in.Testing = host && host->Testing();
    in.ReadDrive = readDrive;
    TakeMoment(in, *player);
    in.Now = clock.TickCount();
    in.WordsContDisp = WordsContDisp;
    in.HideNoWords = hideNoWords;
    in.DevicePosition = [this] { return device ? device->Position() : player->LastPosition; };
    in.ShownTrack = shownTrack;
    in.ShownPosition = shownPosition;
    const WordsChoice c = ChooseWords(*words, in);
    if (c.Unchanged) {
        ChangeTimer.stop(); // a poll is due; it times the next change again
        return true;
    }
    shownTrack = active ? in.CurrentTrack : 0;
    shownPosition = c.Position;
    // The caption waits while the track list is dropped down, so the list's text stays put.
    if (windowTitle() != c.Caption && !(host && host->ListDropped())) setWindowTitle(c.Caption);
    if (c.Line != LineText) {
        LineText = c.Line;
        DrawWords();
    }
    if (c.ChangeDue)
        ChangeTimer.start(std::max(0, static_cast<int32_t>(c.ChangeTick - clock.TickCount())));
    else
        ChangeTimer.stop();
    return !c.Unwanted;
}

void TWordsForm::PositionRead()
{
    if (wordsShown && lastActive && player && !player->FastSeeking) UpdateWords(true);
}

void TWordsForm::SetWordsVisible(bool visible)
{
    if (visible) {
        // Neither a dialog of ours nor another program loses the keyboard to this window.
        const bool quiet = (host && host->DialogOpen()) || QGuiApplication::applicationState() != Qt::ApplicationActive;
        setAttribute(Qt::WA_ShowWithoutActivating, quiet);
        // Minimised on its own (window managers offer it on any title bar), the window
        // would otherwise stay out of sight whatever the display item says.
        if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    } else {
        hide();
    }
    wordsShown = visible;
}

// ---------------------------------------------------------------- drawing and size

int TWordsForm::frameWidth() const { return HideWordsBar ? ScaleToScreen(kFrame) : 0; }

void TWordsForm::DrawWords()
{
    const int m = frameWidth();
    const QSize logical(std::max(1, width() - 2 * m), WordsImageHeight(look.font));
    const qreal dpr = devicePixelRatioF();
    const QSize pixels(qCeil(logical.width() * dpr), qCeil(logical.height() * dpr));
    if (image.size() != pixels || image.devicePixelRatio() != dpr) {
        image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
    }
    look.align = WordsAlign;
    PaintWords(image, look, LineText);
    update();
}

void TWordsForm::paintEvent(QPaintEvent*)
{
    // Moved to a screen of another density: the image is made again for it.
    if (image.isNull() || image.devicePixelRatio() != devicePixelRatioF()) DrawWords();
    QPainter p(this);
    const int m = frameWidth();
    // While the user drags the frame the window may be taller than its line for a moment.
    p.fillRect(rect(), look.background);
    p.drawImage(QPoint(m, m), image);
    if (m > 0) {
        const QColor face = palette().color(QPalette::Window);
        const QRect r = rect();
        p.fillRect(QRect(0, 0, r.width(), m), face);
        p.fillRect(QRect(0, r.height() - m, r.width(), m), face);
        p.fillRect(QRect(0, 0, m, r.height()), face);
        p.fillRect(QRect(r.width() - m, 0, m, r.height()), face);
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void TWordsForm::Relayout()
{
    inLayout = true;
    const int dpi = ScreenDpi();
    fontPixels = std::min(FloorFontPixels(fontPixels, dpi), PixelsOfPoints(kMaxPoints, dpi));
    look.font.setPixelSize(fontPixels);
    applyFrame();
    const int m = frameWidth();
    setMinimumSize(ScaleToScreen(kMinWidth), 2 * m + 4 + PixelsOfPoints(6, dpi));
    placing = true;
    resize(std::max(width(), minimumWidth()), WordsImageHeight(look.font) + 2 * m);
    placing = false;
    placedSize = size();
    DrawWords();
    inLayout = false;
    // A font the settings gave is the window's own; a size still being dragged is not yet.
    if (!SettleTimer.isActive()) settle();
}

void TWordsForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (inLayout) return;
    if (!placing) SettleTimer.start();
    // The size of a maximise or full screen is not the user's: it goes back with the state.
    if (takingBack || (windowState() & kBigStates)) return;
    if (!placing && WordsNoMove && !ShiftHeld() && isVisible() && size() != placedSize && !reverted) {
        // A fixed window takes back a resize made without Shift.
        reverted = true;
        resize(placedSize);
        return;
    }
    reverted = false;
    formResize();
}

void TWordsForm::formResize()
{
    const int clientHeight = height() - 2 * frameWidth();
    // The font follows the height the user gave the window; the same height reported
    // again (a window manager that kept its own) does not scale it twice.
    if (clientHeight != scaledFrom) {
        scaledFrom = clientHeight;
        fontPixels = ResizedFontPixels(fontPixels, clientHeight, WordsTextHeight(look.font));
    }
    Relayout();
}

void TWordsForm::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (!placing) SettleTimer.start();
    if (takingBack || (windowState() & kBigStates)) return;
    if (!placing && WordsNoMove && !ShiftHeld() && isVisible() && pos() != placedAt && !reverted) {
        reverted = true;
        placing = true;
        move(placedAt);
        placing = false;
        return;
    }
    // Where the window manager put it after taking a move back, it stays.
    reverted = false;
    placedAt = pos();
}

void TWordsForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Placed by the window manager now, with its frame.
    SettleTimer.start();
}

void TWordsForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || isMinimized()) return;
    if (!(windowState() & kBigStates) && !takingBack) return;
    // Asked back at once, as the main window does. The manager's sizes may come before
    // the state or after it, and after the normal state again; the window takes none of
    // them, and once its geometry is still it stands as it did before, font and place.
    if (!takingBack) {
        takingBack = true;
        takenBackTo = settled;
    }
    SettleTimer.start();
    if (windowState() & kBigStates)
        QTimer::singleShot(0, this, [this] {
            if (!isMinimized() && (windowState() & kBigStates)) setWindowState(windowState() & ~kBigStates);
        });
}

void TWordsForm::geometryStill()
{
    if (!takingBack) {
        if (fitWhenShown && isVisible() && !isMinimized() && !(windowState() & kBigStates)) {
            fitWhenShown = false;
            bringOntoScreen();
        }
        settle();
    } else if (!(windowState() & kBigStates)) {
        takingBack = false;
        restore(takenBackTo);
    }
}

TWordsForm::Placement TWordsForm::placement() const { return {pos(), geometry(), fontPixels, scaledFrom}; }

void TWordsForm::settle()
{
    if (takingBack || (windowState() & kBigStates)) return;
    SettleTimer.stop();
    settled = placement();
}

void TWordsForm::restore(const Placement& p)
{
    fontPixels = p.fontPixels;
    scaledFrom = p.scaledFrom;
    look.font.setPixelSize(fontPixels);
    placing = true;
    setGeometry(p.geometry);
    placing = false;
    placedAt = pos();
    Relayout();
    settle();
}

void TWordsForm::applyFrame()
{
    Qt::WindowFlags flags = Qt::Tool;
    if (HideWordsBar)
        flags |= Qt::FramelessWindowHint;
    else
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint; // a small title bar, no buttons
    flags.setFlag(Qt::WindowStaysOnTopHint, stayOnTop);
    if (flags == windowFlags()) return;
    // Told to the window system in place, so a shown window is not hidden and re-created.
    overrideWindowFlags(flags);
    if (windowHandle()) windowHandle()->setFlags(flags);
}

void TWordsForm::SetStayOnTop(bool on)
{
    stayOnTop = on;
    applyFrame();
}

// ---------------------------------------------------------------- mouse

bool TWordsForm::ShiftHeld() const { return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier; }

bool TWordsForm::mayMove() const { return !WordsNoMove || ShiftHeld(); }

Qt::Edges TWordsForm::edgesAt(const QPoint& pos) const
{
    const int m = frameWidth();
    Qt::Edges edges;
    if (m == 0) return edges;
    if (pos.x() < m) edges |= Qt::LeftEdge;
    if (pos.x() >= width() - m) edges |= Qt::RightEdge;
    if (pos.y() < m) edges |= Qt::TopEdge;
    if (pos.y() >= height() - m) edges |= Qt::BottomEdge;
    return edges;
}

void TWordsForm::mousePressEvent(QMouseEvent* event)
{
    // Without a title bar the frame sizes the window and the text moves it.
    if (event->button() != Qt::LeftButton || !HideWordsBar || !mayMove() || !windowHandle()) {
        QWidget::mousePressEvent(event);
        return;
    }
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    if (edges)
        windowHandle()->startSystemResize(edges);
    else
        windowHandle()->startSystemMove();
    event->accept();
}

void TWordsForm::mouseMoveEvent(QMouseEvent* event)
{
    QWidget::mouseMoveEvent(event);
    const Qt::Edges e = HideWordsBar && mayMove() ? edgesAt(event->position().toPoint()) : Qt::Edges();
    Qt::CursorShape shape = Qt::ArrowCursor;
    if ((e & Qt::LeftEdge && e & Qt::TopEdge) || (e & Qt::RightEdge && e & Qt::BottomEdge))
        shape = Qt::SizeFDiagCursor;
    else if ((e & Qt::RightEdge && e & Qt::TopEdge) || (e & Qt::LeftEdge && e & Qt::BottomEdge))
        shape = Qt::SizeBDiagCursor;
    else if (e & (Qt::LeftEdge | Qt::RightEdge))
        shape = Qt::SizeHorCursor;
    else if (e & (Qt::TopEdge | Qt::BottomEdge))
        shape = Qt::SizeVerCursor;
    if (cursor().shape() != shape) setCursor(shape);
}

void TWordsForm::contextMenuEvent(QContextMenuEvent* event) { popMenu->popup(event->globalPos()); }

void TWordsForm::closeEvent(QCloseEvent* event)
{
    // Closing this window ends the program, as closing the main window does. The
    // application's own quit closes it too, and must not be refused.
    event->accept();
    if (closing) return;
    closing = true;
    emit CloseRequested();
}

void TWordsForm::CloseRefused()
{
    closing = false;
    // Once the close under way (which hides it) is done.
    QTimer::singleShot(0, this, &QWidget::show);
}

// ---------------------------------------------------------------- settings

void TWordsForm::ApplySettings()
{
    WordsAlign = settings.WordsAlign;
    WordsContDisp = settings.WordsContDisp;
    hideNoWords = settings.HideNoWords;
    WordsNoMove = settings.WordsNoMove;
    HideWordsBar = settings.HideWordsBar;
    const int dpi = ScreenDpi();
    // A size the window reached by resizing stays as it is while the stored points agree.
    if (PointsOfPixels(fontPixels, dpi) != settings.WordsFontSize)
        fontPixels = PixelsOfPoints(settings.WordsFontSize, dpi);
    look.font = FontWithStyle(settings.WordsFontName, settings.WordsFontStyle, std::max(1, fontPixels));
    look.color = FromColorRef(settings.WordsFontColor);
    look.background = FromColorRef(settings.WordsBackColor);
    Relayout();
    SetWordsVisible(wordsShown);
}

void TWordsForm::StoreSettings()
{
    settings.WordsAlign = WordsAlign;
    settings.WordsContDisp = WordsContDisp;
    settings.HideNoWords = hideNoWords;
    settings.WordsNoMove = WordsNoMove;
    settings.HideWordsBar = HideWordsBar;
    settings.WordsFontName = look.font.family();
    settings.WordsFontSize = PointsOfPixels(fontPixels, ScreenDpi());
    settings.WordsFontStyle = StyleOf(look.font);
    settings.WordsFontColor = ToColorRef(look.color);
    settings.WordsBackColor = ToColorRef(look.background);
}

void TWordsForm::ApplyLoadedWindowState()
{
    placing = true;
    move(settings.WordsLeft, settings.WordsTop);
    resize(std::max(settings.WordsWidth - kStoredFrameWidth, minimumWidth()), height());
    placing = false;
    bringOntoScreen();
    // Again once shown, when the frame the window manager gives it is known.
    fitWhenShown = true;
    settle();
}

void TWordsForm::bringOntoScreen()
{
    const QRect outer = frameGeometry();
    // The screen the window is most on, or the main one when it is on none.
    QScreen* screen = QGuiApplication::primaryScreen();
    int most = 0;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect common = s->availableGeometry() & outer;
        if (common.width() * common.height() > most) {
            most = common.width() * common.height();
            screen = s;
        }
    }
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // What the frame adds; before the window has one, a frame as the style draws one
    // stands in for the window manager's.
    QSize frame = outer.size() - size();
    if (frame.isNull() && !HideWordsBar) {
        const int border = 2 * style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
        frame = QSize(border, border + style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    }
    // A line taller than half the screen is no size to keep (a maximise once left the
    // font at its cap): the font comes down until the window fits.
    const int tallest = std::max(area.height() / 2 - frame.height(), 1);
    for (int tries = 0; tries < 8 && height() > tallest && fontPixels > 1; ++tries) {
        fontPixels = std::min(fontPixels - 1, fontPixels * tallest / height());
        Relayout();
    }
    const int w = std::clamp(width(), minimumWidth(), std::max(area.width() - frame.width(), minimumWidth()));
    const QSize whole = QSize(w, height()) + frame;
    const QPoint at = pos();
    const QPoint place(std::clamp(at.x(), area.left(), std::max(area.right() + 1 - whole.width(), area.left())),
                       std::clamp(at.y(), area.top(), std::max(area.bottom() + 1 - whole.height(), area.top())));
    placing = true;
    if (place != at) move(place);
    if (w != width()) resize(w, height());
    placing = false;
    placedAt = pos();
    placedSize = size();
}

void TWordsForm::StoreWindowState()
{
    const Placement p = takingBack || (windowState() & kBigStates) ? takenBackTo : placement();
    settings.WordsLeft = p.pos.x();
    settings.WordsTop = p.pos.y();
    settings.WordsWidth = p.geometry.width() + kStoredFrameWidth;
    settings.WordsFontSize = PointsOfPixels(p.fontPixels, ScreenDpi());
}

QFont TWordsForm::WordsFont() const
{
    QFont f = look.font;
    f.setPointSize(std::max(1, PointsOfPixels(fontPixels, ScreenDpi())));
    return f;
}

void TWordsForm::SetWordsFont(const QFont& font)
{
    int pixels = fontPixels;
    if (font.pointSize() > 0)
        pixels = PixelsOfPoints(font.pointSize(), ScreenDpi());
    else if (font.pixelSize() > 0)
        pixels = font.pixelSize();
    look.font = font;
    fontPixels = pixels;
    look.font.setPixelSize(fontPixels);
}
