#include "PlaybackController.h"

#include <QThread>
#include <algorithm>
#include <memory>
#include <random>

#include "core/common/Clock.h"
#include "core/common/Commands.h"
#include "core/discdata/Words.h"
#include "core/drive/CdDevice.h"

// The controller's construction, its drive and its state. The play list and the transport
// are in PlaybackTransport.cpp, the tick in PlaybackTick.cpp, a disc coming in or going in
// PlaybackDisc.cpp.

namespace {
constexpr int kStepIntervalMs = 10;
} // namespace

PlaybackController::PlaybackController(CdDevice& device_, Clock& clock_, CommandSet& commands_, TWords& words_,
                                       PlaybackHost& host_, QObject* parent)
    : QObject(parent), device(device_), clock(clock_), commands(commands_), words(words_), host(host_)
{
    auto generator = std::make_shared<std::mt19937>(static_cast<uint32_t>(QDateTime::currentMSecsSinceEpoch()) ^
                                                    clock.TickCount());
    Random = [generator](int n) { return std::uniform_int_distribution<int>(0, n - 1)(*generator); };
    // The head normally arrives at once; give a slow drive a moment between reads.
    SeekPause = [] { QThread::msleep(5); };

    connect(&Timer, &QTimer::timeout, this, &PlaybackController::TimerProc);
    StepTimer.setInterval(kStepIntervalMs);
    connect(&StepTimer, &QTimer::timeout, this, &PlaybackController::Step);
    UpdateTimerInterval();
    connectCommands();
}

void PlaybackController::connectCommands()
{
    connect(commands.PlayBtn, &Command::triggered, this, [this] { PlayBtnClick(); });
    connect(commands.PauseBtn, &Command::triggered, this, [this] { PauseBtnClick(); });
    connect(commands.StopBtn, &Command::triggered, this, [this] { StopBtnClick(); });
    // A press is made by the window (PrevNextPress); the click that ends it releases it.
    connect(commands.PrevBtn, &Command::triggered, this, [this] { ReleaseButton(); });
    connect(commands.NextBtn, &Command::triggered, this, [this] { ReleaseButton(); });
    for (int type = ptNormal; type <= ptProgramRandom; ++type)
        connect(commands.PlayTypeItem(type), &Command::triggered, this, [this, type] { PlayTypeClick(type); });
    // A click on a repeat item turns its mode on, or off when it is the mode already.
    const auto toggleRepeat = [this](RepeatMode mode) {
        commands.State.SetRepeat(commands.State.Repeat() == mode ? RepeatMode::Off : mode);
        host.RedrawDisplay();
    };
    connect(commands.TypeReptItem, &Command::triggered, this, [toggleRepeat] { toggleRepeat(RepeatMode::All); });
    connect(commands.TypeRept1Item, &Command::triggered, this, [toggleRepeat] { toggleRepeat(RepeatMode::One); });
    // The lyrics window's track items; they mean nothing while there is no list.
    connect(commands.PrevTrkItem, &Command::triggered, this, [this] {
        if (!TrackListEnabled) return;
        if (EntryIndex > 1) --EntryIndex;
        GoToEntry();
    });
    connect(commands.TopTrkItem, &Command::triggered, this, [this] {
        if (TrackListEnabled) GoToEntry();
    });
    connect(commands.NextTrkItem, &Command::triggered, this, [this] {
        if (!TrackListEnabled) return;
        ++EntryIndex;
        GoToEntry();
    });
}

uint32_t PlaybackController::now() const { return clock.TickCount(); }
int32_t PlaybackController::songStart(int track) const { return words.SongStart(track); }
int32_t PlaybackController::songLength(int track) const { return words.SongLength(track); }

const PlayState& PlaybackController::State() const { return commands.State; }
bool PlaybackController::RepeatChecked() const { return commands.State.Repeat() == RepeatMode::All; }
bool PlaybackController::RepeatOneChecked() const { return commands.State.Repeat() == RepeatMode::One; }
bool PlaybackController::Started() const { return commands.State.Started(); }
bool PlaybackController::IsPaused() const { return commands.State.Paused(); }
int PlaybackController::PlayType() const { return commands.State.Type(); }

QString PlaybackController::TimeModeName(int timeMode)
{
    switch (timeMode) {
    case 0: return QStringLiteral("T.Pass");
    case 1: return QStringLiteral("T.Rest");
    case 2: return QStringLiteral("Pass");
    case 3: return QStringLiteral("Rest");
    default: return QString();
    }
}

bool PlaybackController::OpenDevice(const QString& driveName)
{
    if (!device.Open(driveName)) return false;
    // Whatever was playing is stopped and the head put at the start of the disc.
    device.Stop();
    device.Rewind();
    device.SetTimeFormat(TimeFormatMilliseconds);
    DiscAtStart = !NoDiscMode(device.Mode());
    return true;
}

bool PlaybackController::SwitchDrive(const QString& driveName, bool playFirst)
{
    if (!NoDiscMode(DeviceModeNow)) UnloadDisc();
    // As at start-up: whatever the drive holds comes in at the next poll.
    PrevDeviceMode = DeviceModeNow = ModeOpen;
    ShowNoDisc();
    host.RedrawDisplay();
    device.Stop();
    device.Close();
    const bool opened = OpenDevice(driveName);
    PlayFirstDisc = opened && playFirst;
    PollCountdown = -1;
    return opened;
}

void PlaybackController::StartTimer()
{
    UpdateTimerInterval();
    Timer.start();
}

void PlaybackController::UpdateTimerInterval()
{
    const int interval = std::clamp(TimerInt, 10, 10000);
    Timer.setInterval(Started() ? interval : 3 * interval);
}

void PlaybackController::setTrackListIndex(int index)
{
    if (TrackListIndex == index) return;
    TrackListIndex = index;
    host.TrackListChanged();
}

// ---------------------------------------------------------------- waits

void PlaybackController::Step()
{
    if (settling) settleStep();
    if (press != Press::None) pressStep();
}

bool PlaybackController::Waiting() const { return settling || press != Press::None; }

void PlaybackController::updateStepTimer()
{
    if (!Waiting())
        StepTimer.stop();
    else if (!StepTimer.isActive())
        StepTimer.start();
}
