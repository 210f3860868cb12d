#include "CdioSource.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>
#include <cdio/memory.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <sys/stat.h>

#include <cstring>
#include <map>
#include <mutex>

#include "CueSource.h"
#include "core/common/Defines.h"
#include "core/common/Error.h"

namespace {
// The source each error-correcting reader reads for, found from the reader's drive.
std::mutex readersLock;
std::map<cdrom_drive_t*, CdioSource*> readers;
constexpr int kSectorTries = 2; // a sector that fails this often is given up
} // namespace

int DiscToc::TrackAt(int32_t frame) const
{
    int n = 0;
    while (n < static_cast<int>(tracks.size()) && tracks[n].startFrame <= frame) ++n;
    return n;
}

bool CdioSource::IsDevicePath(const QString& name)
{
    struct stat st {};
    if (::stat(QFile::encodeName(name).constData(), &st) == 0) return S_ISBLK(st.st_mode) || S_ISCHR(st.st_mode);
    return name.startsWith(QLatin1String("/dev/"));
}

QStringList CdioSource::ImageFiles(const QString& image)
{
    // cdrdao TOC files name theirs on FILE, AUDIOFILE and DATAFILE lines.
    QStringList files;
    QFile f(image);
    if (!image.endsWith(QLatin1String(".toc"), Qt::CaseInsensitive) || !f.open(QIODevice::ReadOnly)) return files;
    const QDir dir = QFileInfo(image).absoluteDir();
    for (QByteArray line : f.read(1 << 20).split('\n')) {
        line = line.trimmed();
        const QByteArray word = line.left(line.indexOf(' ')).toUpper();
        if (word != "FILE" && word != "AUDIOFILE" && word != "DATAFILE") continue;
        const qsizetype open = line.indexOf('"'), close = line.indexOf('"', open + 1);
        if (open < 0 || close <= open + 1) continue;
        const QString file = QDir::cleanPath(
            dir.absoluteFilePath(QFile::decodeName(line.mid(open + 1, close - open - 1))));
        if (!files.contains(file)) files << file;
    }
    return files;
}

namespace {
// libcdio opens the files a cdrdao TOC names as they are written, so a relative name is
// found from the working folder, which for a program started from the desktop is the home
// folder. A copy of the TOC that names them by their absolute paths (beside the TOC) is
// opened instead; libcdio reads it whole as it opens, so the copy goes at once.
std::unique_ptr<QTemporaryFile> AbsoluteToc(const QString& image)
{
    QFile f(image);
    if (!image.endsWith(QLatin1String(".toc"), Qt::CaseInsensitive) || !f.open(QIODevice::ReadOnly)) return nullptr;
    const QByteArray text = f.read(1 << 20);
    const QByteArray folder = QFile::encodeName(QFileInfo(image).absolutePath());
    if (folder.contains('"')) return nullptr; // the name could not be written between quotes
    QByteArray out;
    bool changed = false;
    for (const QByteArray& line : text.split('\n')) {
        if (!out.isEmpty()) out += '\n';
        const QByteArray word = line.trimmed().split(' ').value(0);
        const qsizetype open = line.indexOf('"'), close = line.indexOf('"', open + 1);
        if ((word != "FILE" && word != "AUDIOFILE" && word != "DATAFILE") || open < 0 || close <= open + 1 ||
            line.at(open + 1) == '/') {
            out += line;
            continue;
        }
        out += line.left(open + 1) + folder + '/' + line.mid(open + 1);
        changed = true;
    }
    if (!changed) return nullptr;
    auto copy = std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("mirelune-XXXXXX.toc")));
    if (!copy->open() || copy->write(out) != out.size() || !copy->flush()) return nullptr;
    return copy;
}
} // namespace

std::unique_ptr<CdioSource> CdioSource::Open(const QString& name, QString* error)
{
    std::unique_ptr<CdioSource> s(new CdioSource);
    s->image = !IsDevicePath(name);
    if (s->image && !QFileInfo(name).isFile()) {
        if (error) *error = Reason("%1: ディスクイメージがありません。", "%1: no such disc image").arg(name);
        return nullptr;
    }
    const std::unique_ptr<QTemporaryFile> toc = s->image ? AbsoluteToc(name) : nullptr;
    const QByteArray path = QFile::encodeName(toc ? toc->fileName() : name);
    // libcdio's warnings (short pregaps and the like) are not the user's business;
    // what fails is reported through error.
    cdio_loglevel_default = CDIO_LOG_ERROR;
    s->cdio = cdio_open(path.constData(), s->image ? DRIVER_UNKNOWN : DRIVER_DEVICE);
    if (!s->cdio) {
        if (!error) return nullptr;
        // An audio file is told what to open instead.
        const QString advice = s->image ? CueSource::AudioFileAdvice(name) : QString();
        *error = !advice.isEmpty() ? advice
                                   : Reason("%1: CDドライブまたはディスクイメージとして開けません。",
                                            "%1: cannot be opened as a CD drive or disc image")
                                         .arg(name);
        return nullptr;
    }
    if (!s->image) {
        cdio_drive_read_cap_t readCap = 0;
        cdio_drive_write_cap_t writeCap = 0;
        cdio_drive_misc_cap_t miscCap = 0;
        cdio_get_drive_cap(s->cdio, &readCap, &writeCap, &miscCap);
        s->canEject = (miscCap & CDIO_DRIVE_CAP_MISC_EJECT) != 0;
    }
    s->readToc();
    if (s->image && s->toc.Empty()) {
        if (error) *error = Reason("%1: イメージにトラックがありません。", "%1: the image holds no tracks").arg(name);
        return nullptr;
    }
    s->readText();
    return s;
}

CdioSource::~CdioSource()
{
    if (drive) {
        std::lock_guard<std::mutex> l(readersLock);
        readers.erase(drive);
    }
    if (paranoia) cdio_paranoia_free(paranoia);
    if (drive) cdio_cddap_close_no_free_cdio(drive);
    // Only destroy: ejecting an image handle frees its insides behind our back.
    if (cdio) cdio_destroy(cdio);
}

void CdioSource::readToc()
{
    toc = {};
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return;
    const lba_t leadOut = cdio_get_track_lba(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (leadOut == CDIO_INVALID_LBA) return;
    for (int i = 0; i < count && i < kMaxTracks; ++i) {
        const track_t t = static_cast<track_t>(first + i);
        const lba_t lba = cdio_get_track_lba(cdio, t);
        // A damaged table (a track past the end, or out of order) ends the disc there.
        if (lba == CDIO_INVALID_LBA || lba >= leadOut) break;
        if (!toc.tracks.empty() && lba <= toc.tracks.back().startFrame) break;
        toc.tracks.push_back({lba, cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO});
    }
    toc.leadOutFrame = toc.tracks.empty() ? 0 : leadOut;
}

void CdioSource::readText()
{
    text = {};
    cdtext_t* ct = cdio_get_cdtext(cdio);
    if (!ct) return;
    auto field = [ct](cdtext_field_t f, track_t t) {
        const char* s = cdtext_get_const(ct, f, t);
        return s ? QString::fromUtf8(s) : QString();
    };
    text.discTitle = field(CDTEXT_FIELD_TITLE, 0);
    text.discPerformer = field(CDTEXT_FIELD_PERFORMER, 0);
    const track_t first = cdio_get_first_track_num(cdio);
    for (size_t i = 0; i < toc.tracks.size(); ++i) {
        const auto t = static_cast<track_t>(first + i);
        text.trackTitles << field(CDTEXT_FIELD_TITLE, t);
        text.trackPerformers << field(CDTEXT_FIELD_PERFORMER, t);
    }
    bool any = false;
    for (const QString& s : text.trackTitles + text.trackPerformers) any = any || !s.isEmpty();
    if (!any) {
        text.trackTitles.clear();
        text.trackPerformers.clear();
    }
}

void CdioSource::UseCorrectingReader(std::function<bool(int32_t, long)> fails)
{
    correcting = true;
    failing = std::move(fails);
}

long CdioSource::boundedRead(cdrom_drive_t* d, void* p, int32_t sector, long count)
{
    CdioSource* s = nullptr;
    {
        std::lock_guard<std::mutex> l(readersLock);
        const auto it = readers.find(d);
        if (it != readers.end()) s = it->second;
    }
    if (!s) return -1;
    auto read = [&](void* out, int32_t first, long n) -> long {
        if (s->failing && s->failing(first, n)) return -1;
        return s->driveRead(d, out, first, n);
    };
    // Probes (no buffer, or off the disc) get the drive's own answer.
    if (!p || sector < 0 || sector + count > s->toc.leadOutFrame - kLeadInFrames) return read(p, sector, count);
    const auto bad = s->badSectors.lower_bound(sector);
    if (bad == s->badSectors.end() || *bad >= sector + count) {
        const long n = read(p, sector, count);
        if (n >= 0) return n;
    }
    // The reader re-reads a stretch it cannot verify without end; a damaged disc would
    // hold playback up for good. So a failed stretch is read sector by sector, and a
    // sector that fails twice reads as silence from then on.
    for (long i = 0; i < count; ++i) {
        char* out = static_cast<char*>(p) + i * kSectorBytes;
        const int32_t f = sector + static_cast<int32_t>(i);
        if (!s->badSectors.contains(f)) {
            bool ok = false;
            for (int t = 0; t < kSectorTries && !ok; ++t) ok = read(out, f, 1) == 1;
            if (ok) continue;
            s->badSectors.insert(f);
        }
        std::memset(out, 0, kSectorBytes);
    }
    return count;
}

bool CdioSource::openParanoia()
{
    if (paranoia) return true;
    drive = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (!drive) return false;
    if (cdio_cddap_open(drive) != 0) {
        cdio_cddap_close_no_free_cdio(drive);
        drive = nullptr;
        return false;
    }
    driveRead = drive->read_audio;
    drive->read_audio = &CdioSource::boundedRead;
    {
        std::lock_guard<std::mutex> l(readersLock);
        readers[drive] = this;
    }
    paranoia = cdio_paranoia_init(drive);
    if (!paranoia) return false;
    // Full correction, but give up on a sector rather than retry forever.
    cdio_paranoia_modeset(paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    return true;
}

bool CdioSource::Read(int32_t frame, int count, char* out)
{
    if (count <= 0) return true;
    if (frame < kLeadInFrames || frame + count > toc.leadOutFrame) return false;
    if ((image && !correcting) || !openParanoia()) {
        return cdio_read_audio_sectors(cdio, out, frame - kLeadInFrames, static_cast<uint32_t>(count)) ==
               DRIVER_OP_SUCCESS;
    }
    if (frame != nextParanoiaFrame) cdio_paranoia_seek(paranoia, frame - kLeadInFrames, SEEK_SET);
    nextParanoiaFrame = -1;
    for (int i = 0; i < count; ++i) {
        const int16_t* data = cdio_paranoia_read_limited(paranoia, nullptr, 3);
        if (!data) return false;
        std::memcpy(out + static_cast<size_t>(i) * kSectorBytes, data, kSectorBytes);
    }
    nextParanoiaFrame = frame + count;
    return true;
}

bool CdioSource::MediaChanged()
{
    if (image) return false;
    return cdio_get_media_changed(cdio) == 1;
}

QStringList CdioSource::DeviceList()
{
    QStringList list;
    char** devices = cdio_get_devices(DRIVER_DEVICE);
    if (!devices) return list;
    for (char** d = devices; *d; ++d) list << QFile::decodeName(*d);
    cdio_free_device_list(devices);
    return list;
}

QString CdioSource::DefaultDevice()
{
    char* d = cdio_get_default_device(nullptr);
    if (!d) return {};
    const QString name = QFile::decodeName(d);
    cdio_free(d);
    return name;
}

void CdioSource::EjectDrive(const QString& name) { cdio_eject_media_drive(QFile::encodeName(name).constData()); }

void CdioSource::CloseTray(const QString& name) { cdio_close_tray(QFile::encodeName(name).constData(), nullptr); }
