// rarpack: writes the RAR 2.0 media archives at build time and reads them back for checks.
//
//   rarpack a [-s] [-m0..5] [-mm | -mmf] [-p PASSWORD] ARCHIVE ITEM...
//       ITEM is NAME=FILE (the entry NAME holds FILE's bytes), DIR/ (a directory entry DIR) or
//       FILE (named as given). '/' in names becomes '\'. Entries keep the command-line order.
//       -s solid, -m0 store .. -m5 best (default -m3), -mm multimedia coding where it is smaller,
//       -mmf multimedia coding for every entry, -p encrypt with PASSWORD.
//   rarpack l ARCHIVE                  lists the entries
//   rarpack x ARCHIVE NAME [PASSWORD]  writes one entry to standard output
//   rarpack e ARCHIVE DIR [PASSWORD]   extracts every entry below DIR (created when missing),
//                                      with its folders; absolute names and ".." are refused
//   rarpack t ARCHIVE [PASSWORD]       extracts every entry and checks it
// Reading goes through the saver's own archive reader; e and t decode the archive once, front to
// back. Failures exit with status 1 and a one-line reason on standard error (e and t also list each
// failed entry on standard output).

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "archive/media_archive.h"
#include "rarpack/archive_writer.h"
#include "rarpack/extract_pipeline.h"
#include "rarpack/mapped_file.h"
#include "rarpack/tree_writer.h"

namespace {

using vm::rarpack::ArchiveEntry;
using vm::rarpack::ArchiveOptions;

constexpr int kUsageError = 2;

int fail(const std::string& reason)
{
    std::cerr << "rarpack: " << reason << '\n';
    return 1;
}

int usage()
{
    std::cerr << "usage: rarpack a [-s] [-m0..5] [-mm|-mmf] [-p PASSWORD] ARCHIVE [NAME=FILE | DIR/ | FILE]...\n"
                 "       rarpack l ARCHIVE\n"
                 "       rarpack x ARCHIVE NAME [PASSWORD]\n"
                 "       rarpack e ARCHIVE DIR [PASSWORD]   (every entry into DIR)\n"
                 "       rarpack t ARCHIVE [PASSWORD]\n";
    return kUsageError;
}

// Whole file, refusing anything the format's 32-bit sizes cannot describe.
bool readFile(const std::string& path, std::vector<uint8_t>& out)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    out.clear();
    uint8_t chunk[1 << 16];
    size_t n = 0;
    bool ok = true;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (out.size() + n > 0xFFFFFFF0u) {
            ok = false;
            break;
        }
        out.insert(out.end(), chunk, chunk + n);
    }
    ok = ok && std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

std::string archiveName(std::string name)
{
    for (char& c : name)
        if (c == '/')
            c = '\\';
    return name;
}

int add(int argc, char** argv)
{
    ArchiveOptions options;
    int i = 2;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        const std::string opt = argv[i];
        if (opt == "-s")
            options.solid = true;
        else if (opt.size() == 3 && opt[1] == 'm' && opt[2] >= '0' && opt[2] <= '5')
            options.level = static_cast<unsigned>(opt[2] - '0');
        else if (opt == "-mm")
            options.multimedia = vm::rarpack::Multimedia::Auto;
        else if (opt == "-mmf")
            options.multimedia = vm::rarpack::Multimedia::Force;
        else if (opt == "-p" && i + 1 < argc)
            options.password = argv[++i];
        else
            return usage();
    }
    if (i >= argc)
        return usage();
    const std::string archive = argv[i++];

    std::vector<ArchiveEntry> entries;
    for (; i < argc; ++i) {
        const std::string item = argv[i];
        ArchiveEntry e;
        const auto eq = item.find('=');
        if (eq != std::string::npos) {
            e.name = archiveName(item.substr(0, eq));
            if (!readFile(item.substr(eq + 1), e.data))
                return fail("cannot read " + item.substr(eq + 1));
        } else if (!item.empty() && (item.back() == '/' || item.back() == '\\')) {
            e.name = archiveName(item.substr(0, item.size() - 1));
            e.directory = true;
        } else {
            e.name = archiveName(item);
            if (!readFile(item, e.data))
                return fail("cannot read " + item);
        }
        entries.push_back(std::move(e));
    }

    std::vector<uint8_t> bytes;
    std::string error;
    if (vm::rarpack::writeArchive(entries, options, bytes, error) != 0)
        return fail(error);
    // Written beside the target and renamed, so a failed run never leaves half an archive.
    const std::string temp = archive + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush())
            return fail("cannot write " + temp);
    }
    if (std::rename(temp.c_str(), archive.c_str()) != 0) {
        std::remove(temp.c_str());
        return fail("cannot write " + archive);
    }
    return 0;
}

bool openArchive(const std::string& path, vm::rarpack::MappedFile& file, vm::MediaBlob& blob, std::string& error)
{
    if (file.open(path, error) != 0)
        return false;
    // MappedFile refuses anything the reader's 32-bit sizes cannot address.
    blob = vm::MediaBlob{file.bytes().data(), static_cast<uint32_t>(file.bytes().size()), 0};
    return true;
}

std::string walkFailure(int rc)
{
    switch (rc) {
    case vm::MediaArchive::kNotAnArchive:
        return "not a RAR archive";
    case vm::MediaArchive::kBadBlock:
        return "damaged or cut short after the last entry listed";
    case vm::MediaArchive::kOutOfMemory:
        return "out of memory";
    default:
        return "cannot read the archive";
    }
}

const char* methodName(const vm::MediaEntryInfo& e)
{
    static const char* const kNames[] = {"store", "fastest", "fast", "normal", "good", "best"};
    return e.method >= 0x30 && e.method <= 0x35 ? kNames[e.method - 0x30] : "?";
}

int list(const std::string& path)
{
    vm::rarpack::MappedFile file;
    vm::MediaBlob blob;
    std::string error;
    if (!openArchive(path, file, blob, error))
        return fail(error);
    std::vector<vm::MediaEntryInfo> entries;
    bool solid = false;
    const int rc = vm::MediaArchive::listEntries(blob, entries, &solid);
    if (rc == vm::MediaArchive::kNotAnArchive)
        return fail(walkFailure(rc));
    std::printf("%s archive, %zu entries\n", solid ? "solid" : "non-solid", entries.size());
    std::printf("%10s %10s  %-7s %-5s %-8s  %s\n", "unpacked", "packed", "method", "flags", "crc", "name");
    for (const auto& e : entries) {
        char flags[6] = "-----";
        if (e.directory())
            flags[0] = 'D';
        if (e.solid())
            flags[1] = 'S';
        if (e.encrypted())
            flags[2] = 'E';
        std::printf("%10u %10u  %-7s %-5s %08X  %s\n", e.unpackedSize, e.packedSize, methodName(e), flags, e.crc,
                    e.name.c_str());
    }
    std::fflush(stdout);
    return rc == vm::MediaArchive::kOk ? 0 : fail(walkFailure(rc));
}

int extractOne(const std::string& path, const std::string& name, const char* password)
{
    vm::rarpack::MappedFile file;
    vm::MediaBlob blob;
    std::string error;
    if (!openArchive(path, file, blob, error))
        return fail(error);
    uint8_t* data = nullptr;
    uint32_t size = 0;
    const bool ok = vm::MediaArchive::extractFile(name.c_str(), blob, password, data, size);
    const vm::MediaFile owned(data);
    if (!ok)
        return fail("cannot extract " + name + " (missing, damaged or wrong password)");
    if (size > 0 && std::fwrite(data, 1, size, stdout) != size)
        return fail("cannot write to standard output");
    return std::fflush(stdout) == 0 ? 0 : fail("cannot write to standard output");
}

// Shared ending of e and t: the archive-level failure, else the count of failed entries.
int finish(int rc, unsigned failed, unsigned total)
{
    std::fflush(stdout);
    if (rc != vm::MediaArchive::kOk && rc != vm::MediaArchive::kEntriesFailed)
        return fail(walkFailure(rc));
    if (failed > 0)
        return fail(std::to_string(failed) + " of " + std::to_string(total) + " entries failed");
    return 0;
}

int extractAll(const std::string& path, const std::string& target, const char* password)
{
    vm::rarpack::MappedFile file;
    vm::MediaBlob blob;
    std::string error;
    if (!openArchive(path, file, blob, error))
        return fail(error);
    vm::rarpack::TreeWriter tree;
    if (tree.open(target, error) != 0)
        return fail(error);
    vm::rarpack::ExtractPipeline pipeline(tree);
    if (!pipeline.ready())
        return fail("out of memory");
    const int rc = vm::MediaArchive::streamAll(blob, password, pipeline);
    pipeline.finish();
    return finish(rc, pipeline.failed(), pipeline.total());
}

// Checks every entry; the bytes are only counted by the CRC.
class CheckStream final : public vm::MediaArchive::EntryStream {
public:
    bool begin(const vm::MediaEntryInfo&) override { return true; }
    void write(std::span<const uint8_t>) override { }
    bool end(const vm::MediaEntryInfo& e, vm::MediaEntryStatus status) override
    {
        ++total;
        const bool ok = status == vm::MediaEntryStatus::Ok;
        std::printf("%-6s %s\n", ok ? "OK" : "FAILED", e.name.c_str());
        failed += ok ? 0 : 1;
        return true;
    }

    unsigned failed = 0, total = 0;
};

int testAll(const std::string& path, const char* password)
{
    vm::rarpack::MappedFile file;
    vm::MediaBlob blob;
    std::string error;
    if (!openArchive(path, file, blob, error))
        return fail(error);
    CheckStream stream;
    const int rc = vm::MediaArchive::streamAll(blob, password, stream);
    return finish(rc, stream.failed, stream.total);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    if (command == "a")
        return add(argc, argv);
    if (command == "l" && argc == 3)
        return list(argv[2]);
    if (command == "x" && (argc == 4 || argc == 5))
        return extractOne(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (command == "e" && (argc == 4 || argc == 5))
        return extractAll(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (command == "t" && (argc == 3 || argc == 4))
        return testAll(argv[2], argc == 4 ? argv[3] : nullptr);
    return usage();
}
