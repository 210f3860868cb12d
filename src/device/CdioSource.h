#pragma once
// Sectors from libcdio: a CD drive (read through paranoia) or a disc image (cdrdao
// TOC, NRG, or a BIN whose cue sheet has its name; read plainly).
#include <QString>
#include <functional>
#include <memory>
#include <set>

#include "SectorSource.h"

typedef struct _CdIo CdIo_t;
typedef struct cdrom_drive_s cdrom_drive_t;
typedef struct cdrom_paranoia_s cdrom_paranoia_t;

class CdioSource : public SectorSource {
public:
    // Opens a device path or an image file; null with a reason when libcdio cannot.
    static std::unique_ptr<CdioSource> Open(const QString& name, QString* error);
    ~CdioSource() override;
    CdioSource(const CdioSource&) = delete;
    CdioSource& operator=(const CdioSource&) = delete;

    DiscToc Toc() const override { return toc; }
    bool Read(int32_t frame, int count, char* out) override;
    CdTextInfo Text() const override { return text; }
    bool CanEject() const override { return canEject; }
    bool MediaChanged() override;

    // Reads through the error-correcting reader that real drives use, even from a disc
    // image, so that this path can be run on test images. failing, when given, makes the
    // reader's low-level reads of the sectors it names fail, as a damaged disc does
    // (sectors are counted from the end of the lead-in, as the drive counts them).
    void UseCorrectingReader(std::function<bool(int32_t sector, long count)> failing = {});

    // The drives libcdio finds, and the one it takes by default (empty when none).
    static QStringList DeviceList();
    static QString DefaultDevice();
    // The data files a cdrdao TOC file names (absolute), in order.
    static QStringList ImageFiles(const QString& image);
    // True for a path that names a drive rather than an image file.
    static bool IsDevicePath(const QString& name);
    // Open and close a drive's tray by its path.
    static void EjectDrive(const QString& name);
    static void CloseTray(const QString& name);

private:
    CdioSource() = default;
    void readToc();
    void readText();
    bool openParanoia();
    static long boundedRead(cdrom_drive_t* d, void* p, int32_t sector, long count);

    CdIo_t* cdio = nullptr;
    cdrom_drive_t* drive = nullptr;       // the error-correcting reader: real drives,
    cdrom_paranoia_t* paranoia = nullptr; // and images when asked
    int32_t nextParanoiaFrame = -1;
    bool image = false;
    bool correcting = false; // images too go through paranoia
    std::function<bool(int32_t, long)> failing;
    long (*driveRead)(cdrom_drive_t*, void*, int32_t, long) = nullptr; // the drive's own
    std::set<int32_t> badSectors;                                      // given up; they read as silence
    bool canEject = false;
    DiscToc toc;
    CdTextInfo text;
};
