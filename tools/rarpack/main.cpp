// rarpack: writes the RAR 2.0 media archives at build time and reads them back for checks.
//
//   rarpack a [-s] [-m0..5] [-mm | -mmf] [-p PASSWORD] ARCHIVE ITEM...
//       ITEM is NAME=FILE (the entry NAME holds FILE's bytes), DIR/ (a directory entry DIR) or
//       FILE (named as given). '/' in names becomes '\'. Entries keep the command-line order.
//       -s solid, -m0 store .. -m5 best (default -m3), -mm multimedia coding where it is smaller,
//       -mmf multimedia coding for every entry, -p encrypt with PASSWORD.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "rarpack/archive_writer.h"

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
    std::cerr << "usage: rarpack a [-s] [-m0..5] [-mm|-mmf] [-p PASSWORD] ARCHIVE [NAME=FILE | DIR/ | FILE]...\n";
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

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    if (command == "a")
        return add(argc, argv);
    return usage();
}
