#pragma once
// Sectors from libcdio: a CD drive (read through paranoia) or a disc image (BIN/CUE,
// cdrdao TOC, NRG; read plainly).
#include <QTemporaryDir>
#include <memory>

#include "playback/SectorSource.h"

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

    // The drives libcdio finds, and the one it takes by default (empty when none).
    static QStringList DeviceList();
    static QString DefaultDevice();
    // The data files a cue sheet names (absolute), in order.
    static QStringList CueFiles(const QString& cue);
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

    CdIo_t* cdio = nullptr;
    cdrom_drive_t* drive = nullptr;       // real drives only
    cdrom_paranoia_t* paranoia = nullptr; // real drives only
    int32_t nextParanoiaFrame = -1;
    bool image = false;
    bool canEject = false;
    DiscToc toc;
    CdTextInfo text;
    // libcdio reads the BIN named like the CUE, whatever the CUE says; a CUE naming
    // another file is opened through a copy beside a link of that name.
    std::unique_ptr<QTemporaryDir> alias;
};
