// Runs a fuzz target without a fuzzing engine: every file of the given folders, then a fixed
// number of pseudo-random mutations of them. The generator has a fixed seed, so a run is the
// same every time and a failure can be repeated; the failing input is written to
// fuzz-failure-<target>.bin in the working folder.
//
//   fuzz_<target> [--runs N] [--seed S] folder...
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

constexpr size_t kMaxLength = 4096;   // as the fuzzing engine's default

// What is running, for the abort handler; written before every input.
std::vector<uint8_t> g_current;
char g_failureFile[512];
char g_label[256];

void onAbort(int)
{
    const int fd = ::open(g_failureFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        if (!g_current.empty())
            (void)!::write(fd, g_current.data(), g_current.size());
        ::close(fd);
    }
    const char head[] = "\nfailing input: ";
    (void)!::write(2, head, sizeof head - 1);
    (void)!::write(2, g_label, std::strlen(g_label));
    const char tail[] = "\nwritten to ";
    (void)!::write(2, tail, sizeof tail - 1);
    (void)!::write(2, g_failureFile, std::strlen(g_failureFile));
    (void)!::write(2, "\n", 1);
    std::signal(SIGABRT, SIG_DFL);
    std::raise(SIGABRT);
}

// splitmix64: small, fast and the same on every platform.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t below(size_t n) { return n ? size_t(next() % n) : 0; }

private:
    uint64_t state_;
};

using Bytes = std::vector<uint8_t>;

// Bytes that mean something to the inputs of this program: frame and line ends, signs,
// separators, quotes, markup, count nibbles, item prefixes.
const uint8_t kInteresting[] = {0x00, 0x0D, 0x0A, 0x09, 0x20, 0x2B, 0x2D, 0x22, 0x3C, 0x3E, 0x26, 0x2F,
                                0x3D, 0x30, 0x39, 0x41, 0x46, 0xE0, 0xEF, 0xF0, 0xF7, 0xF9, 0xFF, 0x80,
                                0x7F, 0x85, 0x95, 0xA1, 0xC0, 0xFE};

void mutateOnce(Bytes& b, const std::vector<Bytes>& seeds, Random& rnd)
{
    switch (rnd.below(9)) {
    case 0:   // flip one bit
        if (!b.empty())
            b[rnd.below(b.size())] ^= uint8_t(1u << rnd.below(8));
        break;
    case 1:   // replace a byte by any byte
        if (!b.empty())
            b[rnd.below(b.size())] = uint8_t(rnd.next());
        break;
    case 2:   // replace a byte by a meaningful one
        if (!b.empty())
            b[rnd.below(b.size())] = kInteresting[rnd.below(sizeof kInteresting)];
        break;
    case 3:   // insert a few bytes
    {
        const size_t at = rnd.below(b.size() + 1);
        const size_t n = 1 + rnd.below(4);
        for (size_t i = 0; i < n; ++i)
            b.insert(b.begin() + long(at), rnd.below(2) ? kInteresting[rnd.below(sizeof kInteresting)]
                                                        : uint8_t(rnd.next()));
        break;
    }
    case 4:   // delete a run
        if (!b.empty()) {
            const size_t at = rnd.below(b.size());
            const size_t n = 1 + rnd.below(std::min<size_t>(b.size() - at, 16));
            b.erase(b.begin() + long(at), b.begin() + long(at + n));
        }
        break;
    case 5:   // repeat a run in place
        if (!b.empty()) {
            const size_t at = rnd.below(b.size());
            const size_t n = 1 + rnd.below(std::min<size_t>(b.size() - at, 32));
            const Bytes run(b.begin() + long(at), b.begin() + long(at + n));
            b.insert(b.begin() + long(at), run.begin(), run.end());
        }
        break;
    case 6:   // splice: this input's head with another seed's tail
    {
        const Bytes& other = seeds[rnd.below(seeds.size())];
        const size_t cut = rnd.below(b.size() + 1);
        const size_t from = rnd.below(other.size() + 1);
        b.resize(cut);
        b.insert(b.end(), other.begin() + long(from), other.end());
        break;
    }
    case 7:   // copy a run of another seed over this one
    {
        const Bytes& other = seeds[rnd.below(seeds.size())];
        if (other.empty())
            break;
        const size_t from = rnd.below(other.size());
        const size_t n = 1 + rnd.below(std::min<size_t>(other.size() - from, 32));
        const size_t at = rnd.below(b.size() + 1);
        b.insert(b.begin() + long(at), other.begin() + long(from), other.begin() + long(from + n));
        break;
    }
    default:   // cut the end
        b.resize(rnd.below(b.size() + 1));
        break;
    }
}

void runOne(const Bytes& input, const std::string& label)
{
    g_current = input;
    std::snprintf(g_label, sizeof g_label, "%s", label.c_str());
    LLVMFuzzerTestOneInput(input.data(), input.size());
}

}   // namespace

int main(int argc, char** argv)
{
    // No application object: the targets run the same way under the fuzzing engine.
    long runs = 20000;
    uint64_t seed = 20240601;
    std::vector<QString> folders;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::strtol(argv[++i], nullptr, 10);
        else if (arg == "--seed" && i + 1 < argc)
            seed = std::strtoull(argv[++i], nullptr, 10);
        else
            folders.push_back(QString::fromLocal8Bit(argv[i]));
    }
    const std::string target = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName().toStdString();
    std::snprintf(g_failureFile, sizeof g_failureFile, "fuzz-failure-%s.bin", target.c_str());
    std::signal(SIGABRT, onAbort);

    std::vector<Bytes> seeds;
    for (const QString& folder : folders) {
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
        for (const QFileInfo& info : files) {
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(info.filePath()));
                return 2;
            }
            const QByteArray content = file.readAll();
            seeds.emplace_back(content.begin(), content.end());
            runOne(seeds.back(), info.filePath().toStdString());
        }
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "%s: no input files in the given folders\n", target.c_str());
        return 2;
    }

    Random rnd(seed);
    for (long r = 0; r < runs; ++r) {
        Bytes b = seeds[rnd.below(seeds.size())];
        const size_t steps = 1 + rnd.below(4);
        for (size_t s = 0; s < steps; ++s)
            mutateOnce(b, seeds, rnd);
        if (b.size() > kMaxLength)
            b.resize(kMaxLength);
        runOne(b, "mutation " + std::to_string(r) + " (--seed " + std::to_string(seed) + ")");
    }
    std::printf("%s: %zu files and %ld mutations passed\n", target.c_str(), seeds.size(), runs);
    return 0;
}
