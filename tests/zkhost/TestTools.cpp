#include "tests/zkhost/TestTools.h"

#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zkhosttest {

namespace {
std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
} // namespace

RunResult runZkhost(const std::vector<std::string>& args) {
    static int counter = 0;
    std::string base = scratchDir("run") + "/" + std::to_string(counter++);
    std::string command = quote(ZKHOST_PATH);
    for (const std::string& a : args) command += " " + quote(a);
    command += " >" + quote(base + ".out") + " 2>" + quote(base + ".err") + " </dev/null";
    int status = std::system(command.c_str());
    RunResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    r.out = slurp(base + ".out");
    r.err = slurp(base + ".err");
    return r;
}

double Audio::rms() const {
    double sum = 0;
    for (float s : samples) sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

Audio readAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) throw std::runtime_error("cannot open " + path);
    Audio a;
    a.rate = info.samplerate;
    a.channels = info.channels;
    a.frames = info.frames;
    a.subtype = info.format & SF_FORMAT_SUBMASK;
    a.samples.resize(size_t(info.frames * info.channels));
    sf_readf_float(file, a.samples.data(), info.frames);
    sf_close(file);
    return a;
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string scratchDir(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() / ("zkhost-tests-" + std::to_string(getpid())) / name;
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::vector<uint8_t> smfTrack(const TrackEvents& events) {
    std::vector<uint8_t> body;
    auto vlq = [&](uint32_t n) {
        uint8_t bytes[5];
        int count = 0;
        do {
            bytes[count++] = n & 0x7F;
            n >>= 7;
        } while (n);
        while (count--) body.push_back(bytes[count] | (count ? 0x80 : 0));
    };
    for (auto& [delta, data] : events) {
        vlq(delta);
        body.insert(body.end(), data.begin(), data.end());
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> track = {'M', 'T', 'r', 'k'};
    for (int shift = 24; shift >= 0; shift -= 8) track.push_back(uint8_t(body.size() >> shift));
    track.insert(track.end(), body.begin(), body.end());
    return track;
}

std::vector<uint8_t> smf(uint16_t format, uint16_t division, const std::vector<std::vector<uint8_t>>& tracks) {
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, uint8_t(format >> 8), uint8_t(format),
                                uint8_t(tracks.size() >> 8), uint8_t(tracks.size()), uint8_t(division >> 8),
                                uint8_t(division)};
    for (auto& t : tracks) out.insert(out.end(), t.begin(), t.end());
    return out;
}

std::vector<uint8_t> tempoEvent(uint32_t us) {
    return {0xFF, 0x51, 0x03, uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)};
}

std::string modulePath() { return ZK_MODULE_PATH; }
std::string examplePath() { return ZK_EXAMPLE_INPUT; }

} // namespace zkhosttest
