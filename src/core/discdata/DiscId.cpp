#include "DiscId.h"

#include <algorithm>

#include "core/drive/CdDevice.h"

QString DiscIdFromToc(const std::vector<uint32_t>& positions, const std::vector<uint32_t>& lengths)
{
    uint32_t h = (positions.empty() ? 0u : positions[0]) << 14;
    const size_t n = std::min<size_t>({positions.size(), lengths.size(), 30});
    for (size_t i = 0; i < n; ++i) {
        const uint32_t l = lengths[i];
        const uint32_t p = positions[i];
        const uint32_t b = static_cast<uint32_t>(i + 1);
        h = (l + 960404u) * h * p + b * 970227u + (l >> 8);
    }
    return QStringLiteral("%1").arg(h, 8, 16, QLatin1Char('0')).toUpper();
}

QString DiscIdOf(CdDevice& device)
{
    device.SetTimeFormat(TimeFormatTmsf);
    std::vector<uint32_t> positions, lengths;
    positions.push_back(static_cast<uint32_t>(device.TrackPosition(1)));
    const int n = std::min(device.TrackCount(), 30);
    for (int b = 1; b <= n; ++b) {
        const uint32_t l = static_cast<uint32_t>(device.TrackLength(b));
        const uint32_t p = static_cast<uint32_t>(device.TrackPosition(b));
        lengths.push_back(l);
        if (b == 1)
            positions[0] = p; // asked twice, as the old device was; the answers agree
        else
            positions.push_back(p);
    }
    device.SetTimeFormat(TimeFormatMilliseconds);
    return DiscIdFromToc(positions, lengths);
}
