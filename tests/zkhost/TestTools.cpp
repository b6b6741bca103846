#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
    std::string base = scratchDir("run") + "/" + std::to_string(counter++), command = quote(ZKHOST_PATH);
    for (const std::string& a : args) command += " " + quote(a);
    int status = std::system((command + " >" + quote(base + ".out") + " 2>" + quote(base + ".err") + " </dev/null").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0),
            slurp(base + ".out"), slurp(base + ".err")};
}

RunResult succeed(const std::vector<std::string>& args) {
    RunResult r = runZkhost(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r;
}

void expectFailure(const RunResult& r, int code, const std::string& message) {
    EXPECT_EQ(r.exitCode, code) << r.err;
    EXPECT_TRUE(contains(r.err, message)) << "stderr: " << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
}

double Audio::rms() const {
    double sum = 0;
    for (float s : samples) sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}
double Audio::peak(int64_t from, int64_t to) const {
    double m = 0;
    for (int64_t f = from; f < std::min(to, frames); ++f) m = std::max(m, double(std::fabs(at(f, 0))));
    return m;
}

Audio readAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) throw std::runtime_error("cannot open " + path);
    Audio a{info.samplerate, info.channels, info.format & SF_FORMAT_SUBMASK, info.frames, {}};
    a.samples.resize(size_t(info.frames * info.channels));
    sf_readf_float(file, a.samples.data(), info.frames);
    sf_close(file);
    return a;
}

Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
std::string writeBytes(const std::string& dir, const std::string& name, const Bytes& bytes) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}
std::string scratchDir(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() / ("zkhost-tests-" + std::to_string(getpid())) / name;
    std::filesystem::create_directories(dir);
    return dir.string();
}

Bytes smfTrack(const TrackEvents& events) {
    Bytes body;
    for (auto& [delta, data] : events) {
        for (int shift = 28; shift > 0; shift -= 7) // a variable-length quantity
            if (delta >> shift) body.push_back(uint8_t(0x80 | ((delta >> shift) & 0x7F)));
        body.push_back(delta & 0x7F);
        body.insert(body.end(), data.begin(), data.end());
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes track = {'M', 'T', 'r', 'k'};
    for (int shift = 24; shift >= 0; shift -= 8) track.push_back(uint8_t(body.size() >> shift));
    track.insert(track.end(), body.begin(), body.end());
    return track;
}
Bytes smf(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks) {
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, uint8_t(format >> 8), uint8_t(format), uint8_t(tracks.size() >> 8),
                 uint8_t(tracks.size()), uint8_t(division >> 8), uint8_t(division)};
    for (auto& t : tracks) out.insert(out.end(), t.begin(), t.end());
    return out;
}

} // namespace zkhosttest
