// libFuzzer target for the cue sheet reader: any bytes, read as a cue sheet and laid
// out over files of assorted sizes, must neither crash nor give a disc that breaks
// the layout's rules (tracks in order inside the disc, stretches without holes, every
// stretch inside its file).
#include <cstdint>
#include <cstdlib>

#include "device/CueSheet.h"

namespace {

void check(bool ok)
{
    if (!ok) std::abort();
}

// File sizes taken from the input itself, so the fuzzer steers them too: mostly a few
// thousand frames, now and then empty or absurdly large.
int64_t SizeFor(const uint8_t* data, size_t size, size_t i, bool audio)
{
    if (size == 0) return 0;
    uint32_t h = 2166136261u;
    for (size_t k = 0; k < 4; ++k) h = (h ^ data[(i * 4 + k) % size]) * 16777619u;
    const int64_t unit = audio ? kSectorSamples : kSectorBytes;
    switch (h % 16) {
    case 0: return 0;
    case 1: return INT64_MAX / 2;
    case 2: return static_cast<int64_t>(h % 1000); // less than a frame
    default: return static_cast<int64_t>(h % 4000) * unit + static_cast<int64_t>(h >> 20) % unit;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CueSheet sheet;
    QString error;
    if (!ParseCueSheet(bytes, &sheet, &error)) {
        check(!error.isEmpty());
        return 0;
    }
    check(!sheet.tracks.empty() && static_cast<int>(sheet.tracks.size()) <= kMaxTracks);
    std::vector<int64_t> sizes;
    for (size_t i = 0; i < sheet.files.size(); ++i)
        sizes.push_back(SizeFor(data, size, i, sheet.files[i].kind == CueSheet::FileKind::Audio));
    CueLayout layout;
    if (!LayOutCueSheet(sheet, sizes, &layout, &error)) {
        check(!error.isEmpty() && layout.toc.Empty());
        return 0;
    }
    const DiscToc& toc = layout.toc;
    check(!toc.tracks.empty() && toc.tracks.size() <= sheet.tracks.size());
    check(toc.tracks.front().startFrame >= kLeadInFrames);
    for (size_t i = 1; i < toc.tracks.size(); ++i) check(toc.tracks[i].startFrame > toc.tracks[i - 1].startFrame);
    check(toc.tracks.back().startFrame < toc.leadOutFrame);
    int64_t at = kLeadInFrames;
    for (const CueExtent& e : layout.extents) {
        check(e.frame == at && e.frames > 0);
        at += e.frames;
        if (e.file < 0) continue;
        check(e.file < static_cast<int>(sizes.size()) && e.offset >= 0);
        const bool audio = sheet.files[e.file].kind == CueSheet::FileKind::Audio;
        check(e.offset + int64_t{e.frames} * (audio ? kSectorSamples : e.frameBytes) <= sizes[e.file]);
    }
    check(at == toc.leadOutFrame);
    return 0;
}
