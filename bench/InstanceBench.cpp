// What an instance of the built VST 2 module costs a host: the time to create one (entry,
// open, rate, block size, resume) and close it, the resident memory instances hold with
// their panels closed, and the time of a scan (load the module, create, open, close,
// unload). The module is loaded with dlopen, as a host does: the one this tree builds, or
// the one ZK_BENCH_MODULE names (an older build, to compare).

#include "formats/vst2/Vst2Abi.h"

#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace vst2;
using Entry = AEffect* (*)(audioMasterCallback);

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

const char* modulePath = ZK_MODULE_PATH;

struct Module {
    void* handle = dlopen(modulePath, RTLD_NOW | RTLD_LOCAL);
    Entry entry = handle ? reinterpret_cast<Entry>(dlsym(handle, "VSTPluginMain")) : nullptr;
    ~Module() {
        if (handle) dlclose(handle);
    }
};

AEffect* create(Entry entry) {
    AEffect* effect = entry(host);
    if (!effect) return nullptr;
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, 512, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    return effect;
}

void close(AEffect* effect) {
    effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

// Resident set size in KB.
double residentKb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

void CreateAndClose(benchmark::State& state) {
    Module module;
    if (!module.entry) return state.SkipWithError("no module");
    close(create(module.entry)); // the module's first instance sets up what every later one shares
    for (auto _ : state) close(create(module.entry));
}

// `instances` created, held, then closed; the time is the whole of it, the counter the
// resident memory each one added while held (the largest of the repetitions: a later one
// may find memory the earlier ones freed still resident).
void ManyInstances(benchmark::State& state) {
    Module module;
    if (!module.entry) return state.SkipWithError("no module");
    close(create(module.entry));
    const auto count = static_cast<size_t>(state.range(0));
    std::vector<AEffect*> effects(count);
    double perInstanceKb = 0.0;
    for (auto _ : state) {
        const double before = residentKb();
        for (AEffect*& effect : effects) effect = create(module.entry);
        perInstanceKb = std::max(perInstanceKb, (residentKb() - before) / static_cast<double>(count));
        for (AEffect* effect : effects) close(effect);
    }
    state.counters["KB_per_instance"] = perInstanceKb;
}

void Scan(benchmark::State& state) {
    for (auto _ : state) {
        Module module;
        if (!module.entry) return state.SkipWithError("no module");
        AEffect* effect = module.entry(host);
        effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
}

} // namespace

// The scan first, while nothing else holds the module loaded.
BENCHMARK(Scan)->Unit(benchmark::kMillisecond);
BENCHMARK(CreateAndClose)->Unit(benchmark::kMillisecond);
BENCHMARK(ManyInstances)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    if (const char* other = std::getenv("ZK_BENCH_MODULE")) modulePath = other;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
