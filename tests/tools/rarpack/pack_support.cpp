#include "pack_support.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include <gtest/gtest.h>

#include "archive/media_archive.h"

namespace vm::rarpack::test {

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed)
{
    Random r(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<uint8_t>(r.next() >> 24);
    return v;
}

std::vector<uint8_t> textBytes(size_t n, uint32_t seed)
{
    static const char* const kWords[] = {"the ", "candle ", "nave ", "organ ", "light ", "stone ", "of ",
                                         "and ", "church ", "night ", "column ", "bench ", "window ", "\r\n"};
    Random r(seed);
    std::vector<uint8_t> v;
    while (v.size() < n) {
        const std::string w = kWords[r.next() % std::size(kWords)];
        v.insert(v.end(), w.begin(), w.end());
    }
    v.resize(n);
    return v;
}

std::vector<uint8_t> sampleBytes(size_t frames, unsigned channels)
{
    Random r(7);
    std::vector<uint8_t> v;
    v.reserve(frames * channels * 2);
    for (size_t i = 0; i < frames; ++i) {
        for (unsigned c = 0; c < channels; ++c) {
            const double t = static_cast<double>(i);
            const double s = 9000.0 * std::sin(t * (0.011 + 0.004 * c)) + 2500.0 * std::sin(t * 0.173) +
                             static_cast<double>(r.next() % 64);
            const auto x = static_cast<int16_t>(s);
            v.push_back(static_cast<uint8_t>(x & 0xFF));
            v.push_back(static_cast<uint8_t>((x >> 8) & 0xFF));
        }
    }
    return v;
}

std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

std::optional<std::vector<uint8_t>> readerExtract(const std::vector<uint8_t>& archive, const std::string& name,
                                                  const char* password)
{
    MediaBlob blob{archive.data(), static_cast<uint32_t>(archive.size()), 0};
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!MediaArchive::extractFile(name.c_str(), blob, password, data, size))
        return std::nullopt;
    MediaFile owned(data);
    return std::vector<uint8_t>(owned.get(), owned.get() + size);
}

std::string unarPath()
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::filesystem::path p = std::filesystem::path(dir) / "unar";
        if (!dir.empty() && access(p.c_str(), X_OK) == 0)
            return p.string();
    }
    return {};
}

std::filesystem::path freshDirectory(const std::string& tag)
{
    const std::filesystem::path dir =
        std::filesystem::path(::testing::TempDir()) / ("rarpack_" + std::to_string(getpid()) + "_" + tag);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

bool unarExtract(const std::vector<uint8_t>& archive, const std::filesystem::path& dir, const std::string& password)
{
    const std::filesystem::path file = dir / "archive.rar";
    {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
    }
    // -D: entries straight into the output folder; -q: no progress lines.
    std::string cmd = "'" + unarPath() + "' -q -D -f -o '" + (dir / "out").string() + "'";
    if (!password.empty())
        cmd += " -p '" + password + "'";
    cmd += " '" + file.string() + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

std::optional<std::vector<uint8_t>> readWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<uint8_t> v;
    char buf[1 << 16];
    while (in.read(buf, sizeof buf) || in.gcount() > 0)
        v.insert(v.end(), buf, buf + in.gcount());
    return v;
}

std::vector<uint8_t> pack(const std::vector<ArchiveEntry>& entries, const ArchiveOptions& options)
{
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_EQ(writeArchive(entries, options, out, error), 0) << error;
    return out;
}

} // namespace vm::rarpack::test
