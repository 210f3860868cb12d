#include "DiscSamples.h"

#include "DiscDevice.h"
#include "SectorSource.h"

namespace {
class SourceReader : public SampleReader {
public:
    explicit SourceReader(QString name) : name(std::move(name)) {}
    bool ReadFrames(int32_t frame, int count, char* out) override
    {
        if (!opened) {
            opened = true;
            QString error;
            source = DiscDevice::OpenSource(name, &error);
        }
        return source && source->Read(frame, count, out);
    }

private:
    QString name;
    bool opened = false;
    std::unique_ptr<SectorSource> source;
};
} // namespace

std::unique_ptr<SampleReader> DiscSampleReader(const QString& name) { return std::make_unique<SourceReader>(name); }

SampleReaderOpener DiscSampleReaders(DiscDevice& device)
{
    return [&device]() -> std::unique_ptr<SampleReader> {
        if (device.TrackCount() == 0) return nullptr;
        return DiscSampleReader(device.DriveName());
    };
}
