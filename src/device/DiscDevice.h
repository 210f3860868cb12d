#pragma once
// The CD-audio device on Linux: a CD drive or a disc image (a virtual drive) read
// through a SectorSource and played digitally; positions come from the sound server's
// clock of what was heard.
#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "SectorPlayer.h"
#include "SectorSource.h"
#include "SoundOutput.h"
#include "core/drive/CdDevice.h"

class SectorPlayer;

class DiscDevice : public CdDevice {
public:
    // Opens the disc in a drive or an image; null with a reason when it cannot.
    using SourceOpener = std::function<std::unique_ptr<SectorSource>(const QString& name, QString* error)>;

    // Without an opener, OpenSource opens drives and images; without an output, the
    // sound goes to the sound server.
    explicit DiscDevice(SourceOpener opener = {}, std::unique_ptr<SoundOutput> output = {});
    ~DiscDevice() override;
    DiscDevice(const DiscDevice&) = delete;
    DiscDevice& operator=(const DiscDevice&) = delete;

    bool Open(const QString& driveName) override;
    void Close() override;
    void Stop() override;
    void Play() override;
    void Pause() override;
    void Resume() override;
    void Rewind() override;
    void Eject() override;
    void CloseDoor() override;
    void SetTimeFormat(int format) override;
    void SetStartPos(int32_t position) override;
    void SetEndPos(int32_t position) override;
    void SetWait(bool wait) override;
    int Mode() override;
    int32_t Position() override;
    int TrackCount() override;
    int32_t TrackPosition(int n) override;
    int32_t TrackLength(int n) override;
    bool TrackIsAudio(int n) override;
    CdTextInfo DiscText() override { return ready() ? text : CdTextInfo{}; }
    QString TakeDiscError() override { return std::exchange(discError, QString()); }
    // 1, 0.75 or 0.5 (anything between a quarter and 1 is taken).
    bool SetPlaySpeed(double speed) override;

    // Why the last Open failed.
    QString OpenError() const { return openError; }
    // The drive's name as opened (the default drive resolved), and whether it is an image.
    QString DriveName() const { return driveName; }
    bool IsVirtual() const { return isVirtual; }
    // True when no sound output was found: playback runs on a silent clock. The
    // program tells the user once.
    bool SoundOutputMissing() const;
    // The volume of the program's stream as the desktop's mixer shows it, 0 to 1.
    void SetVolume(double volume);
    // The mixer's volume for the stream whenever the desktop changes it. Called on a
    // thread of the sound output's, never the caller's.
    void OnMixerVolume(std::function<void(double)> changed);
    // Drives for the drive selection, and the default one (empty when none).
    static QStringList DeviceList();
    static QString DefaultDevice();
    // Cue sheets through their own reader; drives and the other image kinds (cdrdao TOC,
    // NRG) through libcdio.
    static std::unique_ptr<SectorSource> OpenSource(const QString& name, QString* error);
    // The files a virtual drive's disc is made of besides the image file itself.
    static QStringList ImageDataFiles(const QString& image);

private:
    enum class State { Stopped, Playing, Paused };
    bool ready();
    void checkDisc();
    void beginSwap();
    bool swapOver();
    bool playing();
    bool loadDisc();
    void loadChangedDisc();
    bool rereadLayout();
    void dropDisc();
    void halt();
    int32_t positionMs();
    void startPlay(int64_t fromSample, int32_t toMs);
    void finishPlay();
    int32_t startOfDisc() const;
    int32_t endOfDisc() const;

    SourceOpener opener;
    std::unique_ptr<SectorPlayer> player;
    // Whether there is a sound output is known once the connection Open started has
    // answered; asked for, it is waited for.
    mutable bool soundKnown = true;
    mutable bool soundMissing = false;

    bool isOpen = false;
    QString driveName;
    QString openError;
    bool isVirtual = false;
    bool trayOpen = false;
    bool canEject = false;
    // What the image file (and the files its cue sheet names) looked like when its disc
    // was loaded or last read; a change has the layout read again, and only another
    // table of contents, or files that cannot be read, is a new disc.
    struct FileStamp {
        bool exists = false;
        std::vector<qint64> files; // size, modification time and inode of each file
        bool operator==(const FileStamp&) const = default;
    };
    FileStamp stamp;
    QStringList dataFiles;
    FileStamp imageStamp(const QStringList& files) const;
    qint64 lastProbe = 0;    // real drives without a disc are probed now and then
    bool swapping = false;   // a swapped disc is out for a moment before the next comes in
    bool loadFailed = false; // the image's files as they are now cannot be read
    QString discError;       // why, until taken
    QElapsedTimer swapClock;

    // The disc's reader, shared with the player's readers (one of which may still sit in
    // a read after a stop).
    SharedSource shared;
    SectorSource* source = nullptr; // shared.source, while there is a disc
    DiscToc toc;
    CdTextInfo text;
    int timeFormat = TimeFormatMilliseconds;
    double playSpeed = 1.0;

    State state = State::Stopped;
    int64_t headSample = 0; // where the head is while not playing
    int32_t playEndMs = 0;  // end of the current (or paused) play
    // The stream still plays up to playEndMs, or played to it and stands there: a play
    // from there goes on without a break.
    bool joinable = false;
    QElapsedTimer joinClock; // since the stop or end that made it so
    std::optional<int32_t> pendingStart;
    std::optional<int32_t> pendingEnd;
    bool pendingWait = false;
};
