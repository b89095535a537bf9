// A bounded, repeatable stand-in for libFuzzer's driver, so the fuzz targets run in every CI tree
// (native, sanitized, 32-bit) with the compiler the build already uses.
//
//   <target> <corpus folder> <runs> [seed]
//
// Every seed file is run as it is, then <runs> inputs are made from them by small mutations
// (byte flips, insertions, deletions, splices, and texts that parsers get wrong: "nan", "inf",
// "1e309", "-0", long digit runs). A failure is whatever the sanitizers or the target's own checks
// report: the target dies, and the input that did it is written to "crash-input" in the current
// folder (by the sanitizers' death callback or a fatal-signal handler) for a run by hand.
//
// With clang and -fsanitize=fuzzer the target links libFuzzer's own main instead (see
// tests/fuzz/CMakeLists.txt), for long coverage-guided runs.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Present when a sanitizer runtime is linked: called before it ends the process on a report.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

using Bytes = std::vector<uint8_t>;

// Texts that number parsers and path handling get wrong.
const char* const kTokens[] = {"nan", "inf", "-inf", "1e309", "-0", "0", "1e-320", "99999999999999999999",
                               "..", "/", "\\", "=", "[", "]", "\n", "\r\n", "\xEF\xBB\xBF", "\xFF\xFF\xFF\xFF",
                               "\x00\x00\x00\x00", "-1", "2147483648", "4294967295"};

Bytes readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The input being run, kept so that an abort leaves it behind.
const Bytes* current = nullptr;

void saveCurrent()
{
    const Bytes* input = current;
    current = nullptr; // once, whichever way the process dies
    if (input == nullptr) return;
    if (FILE* f = std::fopen("crash-input", "wb")) {
        std::fwrite(input->data(), 1, input->size(), f);
        std::fclose(f);
    }
}

// A fatal signal: keep the input, then die of the same signal.
void onFatalSignal(int signal)
{
    saveCurrent();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void run(const Bytes& input)
{
    current = &input;
    LLVMFuzzerTestOneInput(input.data(), input.size());
    current = nullptr;
}

Bytes mutate(const std::vector<Bytes>& seeds, std::mt19937_64& rng)
{
    auto pick = [&](size_t n) { return n == 0 ? size_t{0} : size_t(rng() % n); };
    Bytes out = seeds[pick(seeds.size())];
    const int steps = 1 + int(rng() % 4);
    for (int i = 0; i < steps; ++i) {
        switch (rng() % 6) {
        case 0: // flip a bit
            if (!out.empty()) out[pick(out.size())] ^= uint8_t(1u << (rng() % 8));
            break;
        case 1: // set a byte
            if (!out.empty()) out[pick(out.size())] = uint8_t(rng());
            break;
        case 2: // delete a run
            if (!out.empty()) {
                size_t at = pick(out.size());
                size_t n = std::min(out.size() - at, size_t(1 + rng() % 16));
                out.erase(out.begin() + at, out.begin() + at + n);
            }
            break;
        case 3: { // insert a token
            const char* token = kTokens[pick(std::size(kTokens))];
            size_t n = std::strlen(token);
            if (n == 0) n = 4; // the NUL run
            out.insert(out.begin() + pick(out.size() + 1), token, token + n);
            break;
        }
        case 4: { // overwrite a number-like run with a token
            const char* token = kTokens[pick(6)];
            size_t at = pick(out.size() + 1);
            size_t end = at;
            while (end < out.size() && (std::isdigit(out[end]) || out[end] == '.' || out[end] == '-')) ++end;
            out.erase(out.begin() + at, out.begin() + end);
            out.insert(out.begin() + at, token, token + std::strlen(token));
            break;
        }
        default: { // splice in part of another seed
            const Bytes& other = seeds[pick(seeds.size())];
            if (other.empty()) break;
            size_t from = pick(other.size());
            size_t n = std::min(other.size() - from, size_t(1 + rng() % 64));
            out.insert(out.begin() + pick(out.size() + 1), other.begin() + from, other.begin() + from + n);
            break;
        }
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <corpus folder> <runs> [seed]\n", argv[0]);
        return 2;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end()); // the same order on every machine
    std::vector<Bytes> seeds;
    for (const auto& file : files) seeds.push_back(readBytes(file));
    if (seeds.empty()) seeds.push_back({});

    std::signal(SIGABRT, onFatalSignal);
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback(saveCurrent); // the sanitizer keeps its own fault handlers
    else
        for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) std::signal(signal, onFatalSignal);
    for (const Bytes& seed : seeds) run(seed);

    const long runs = std::atol(argv[2]);
    std::mt19937_64 rng(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1);
    for (long i = 0; i < runs; ++i) run(mutate(seeds, rng));
    std::printf("%zu seeds and %ld mutations run\n", seeds.size(), runs);
    return 0;
}
