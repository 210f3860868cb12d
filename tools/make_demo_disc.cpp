// Writes the demo disc: a BIN/CUE image of three short tracks of synthesised music,
// the same disc as a FLAC file with a cue sheet (as a ripper makes it), and a variant
// with a data track in front. See README.md for the layout and the times at which each
// phrase begins (the lyrics lines follow those times).
//
// usage: make_demo_disc OUTPUT_DIR
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sndfile.h>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kSectorBytes = 2352;
constexpr int kFramesPerSecond = 75;
constexpr int kSamplesPerSector = kSectorBytes / 4; // 16-bit stereo
constexpr int kDataSeconds = 4;

struct Phrase {
    int startMs;
    int notes;
};

struct DemoTrack {
    int seconds;
    double baseHz; // the lowest note; each track keeps to its own octave
    int noteMs;
    std::vector<Phrase> phrases;
};

// Keep in step with README.md.
const std::vector<DemoTrack> kTracks = {
    {20, 130.81, 500, {{1000, 6}, {5000, 6}, {9000, 6}, {13000, 6}}},
    {24, 261.63, 500, {{1500, 7}, {6000, 7}, {10500, 7}, {15000, 7}, {19500, 7}}},
    {22, 523.25, 500, {{1000, 5}, {4500, 5}, {8000, 5}, {11500, 5}, {15000, 5}, {18500, 5}}},
};

// Major pentatonic steps in semitones, two notes into the next octave.
const int kScale[] = {0, 2, 4, 7, 9, 12, 14};

void Synthesise(const DemoTrack& t, int trackIndex, std::vector<int16_t>& out)
{
    const size_t samples = static_cast<size_t>(t.seconds) * kRate;
    std::vector<double> mix(samples, 0.0);
    const size_t noteLen = static_cast<size_t>(t.noteMs) * kRate / 1000;
    unsigned seed = 7u + static_cast<unsigned>(trackIndex) * 31u;
    for (const Phrase& p : t.phrases) {
        for (int n = 0; n < p.notes; ++n) {
            seed = seed * 1103515245u + 12345u;
            const int step = kScale[n == 0 ? 0 : (seed >> 16) % 7];
            const double hz = t.baseHz * std::pow(2.0, step / 12.0);
            const size_t begin = static_cast<size_t>(p.startMs) * kRate / 1000 + n * noteLen;
            for (size_t i = 0; i < noteLen && begin + i < samples; ++i) {
                const double s = static_cast<double>(i) / kRate;
                // A sharp attack so the note is heard exactly at its time, then a decay.
                const double attack = std::min(1.0, s / 0.004);
                const double env = attack * std::exp(-3.0 * s) * (i + 200 > noteLen ? (noteLen - i) / 200.0 : 1.0);
                const double w = 2.0 * M_PI * hz * s;
                mix[begin + i] += env * (std::sin(w) + 0.3 * std::sin(2 * w) + 0.12 * std::sin(3 * w));
            }
        }
    }
    for (double v : mix) {
        const auto s = static_cast<int16_t>(std::lround(v * 0.28 * 32767.0));
        out.push_back(s); // left
        out.push_back(s); // right
    }
}

std::string Msf(long frames)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", frames / (60 * kFramesPerSecond),
                  frames / kFramesPerSecond % 60, frames % kFramesPerSecond);
    return buf;
}

// A mode-1 data sector: sync pattern, header (absolute MSF in BCD, mode 1), zero user data.
void WriteDataSector(std::ofstream& bin, long lba)
{
    unsigned char s[kSectorBytes] = {};
    for (int i = 1; i <= 10; ++i) s[i] = 0xFF;
    const long abs = lba + 150;
    auto bcd = [](long v) { return static_cast<unsigned char>((v / 10) << 4 | (v % 10)); };
    s[12] = bcd(abs / (60 * kFramesPerSecond));
    s[13] = bcd(abs / kFramesPerSecond % 60);
    s[14] = bcd(abs % kFramesPerSecond);
    s[15] = 1;
    bin.write(reinterpret_cast<const char*>(s), kSectorBytes);
}

void WriteCueHead(std::ofstream& cue, const std::string& file, const char* type)
{
    cue << "REM Mirelune demo disc\n";
    cue << "PERFORMER \"Mirelune\"\nTITLE \"Mirelune Demo\"\n";
    cue << "FILE \"" << file << "\" " << type << "\n";
}

bool WriteDisc(const std::filesystem::path& dir, const std::string& base, bool dataFirst,
               const std::vector<std::vector<int16_t>>& audio)
{
    const auto binPath = dir / (base + ".bin");
    const auto cuePath = dir / (base + ".cue");
    std::ofstream bin(binPath, std::ios::binary | std::ios::trunc);
    std::ofstream cue(cuePath, std::ios::trunc);
    if (!bin || !cue) return false;
    WriteCueHead(cue, base + ".bin", "BINARY");
    long lba = 0;
    int number = 1;
    if (dataFirst) {
        cue << "  TRACK 01 MODE1/2352\n    INDEX 01 " << Msf(lba) << "\n";
        for (int i = 0; i < kDataSeconds * kFramesPerSecond; ++i) WriteDataSector(bin, lba++);
        ++number;
    }
    for (const auto& samples : audio) {
        char num[12];
        std::snprintf(num, sizeof num, "%02d", number++);
        cue << "  TRACK " << num << " AUDIO\n    INDEX 01 " << Msf(lba) << "\n";
        bin.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(samples.size() * sizeof(int16_t)));
        lba += static_cast<long>(samples.size() / 2 / kSamplesPerSector);
    }
    return bin.good() && cue.good();
}

// The audio tracks as one FLAC file and its cue sheet: the same disc.
bool WriteFlacDisc(const std::filesystem::path& dir, const std::string& base,
                   const std::vector<std::vector<int16_t>>& audio)
{
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* flac = sf_open((dir / (base + ".flac")).c_str(), SFM_WRITE, &info);
    std::ofstream cue(dir / (base + "-flac.cue"), std::ios::trunc);
    if (!flac || !cue) {
        if (flac) sf_close(flac);
        return false;
    }
    WriteCueHead(cue, base + ".flac", "WAVE");
    long lba = 0;
    bool ok = true;
    for (size_t i = 0; i < audio.size(); ++i) {
        char num[12];
        std::snprintf(num, sizeof num, "%02d", static_cast<int>(i) + 1);
        cue << "  TRACK " << num << " AUDIO\n    INDEX 01 " << Msf(lba) << "\n";
        const sf_count_t frames = static_cast<sf_count_t>(audio[i].size() / 2);
        ok = ok && sf_writef_short(flac, audio[i].data(), frames) == frames;
        lba += static_cast<long>(frames / kSamplesPerSector);
    }
    return sf_close(flac) == 0 && ok && cue.good();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_demo_disc OUTPUT_DIR\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::cerr << "make_demo_disc: cannot create " << dir << ": " << ec.message() << "\n";
        return 1;
    }
    std::vector<std::vector<int16_t>> audio;
    for (size_t i = 0; i < kTracks.size(); ++i) {
        audio.emplace_back();
        Synthesise(kTracks[i], static_cast<int>(i), audio.back());
    }
    if (!WriteDisc(dir, "demo", false, audio) || !WriteDisc(dir, "demo-data", true, audio) ||
        !WriteFlacDisc(dir, "demo", audio)) {
        std::cerr << "make_demo_disc: cannot write the images into " << dir << "\n";
        return 1;
    }
    return 0;
}
