#pragma once
// Writes extracted entries below one target directory. Entry names come from the archive and are
// untrusted: '\' and '/' both separate folders, and a name that is absolute (a leading separator or
// a drive letter such as "C:") or has a ".." component is refused, so nothing is ever written
// outside the target. Folders and files are opened relative to the target without following
// symbolic links, so a link planted inside the target cannot lead out of it either.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vm::rarpack {

// The folder components of an entry name, with empty and "." components dropped; false when the
// name is refused (absolute, "..", or nothing left).
bool safeComponents(std::string_view name, std::vector<std::string>& components);

class TreeWriter {
public:
    TreeWriter() = default;
    ~TreeWriter();
    TreeWriter(const TreeWriter&) = delete;
    TreeWriter& operator=(const TreeWriter&) = delete;

    // Creates the target directory when missing. 0 on success; negative with a reason otherwise.
    int open(const std::string& root, std::string& error);

    // A directory entry: the folder and its parents. 0 or negative with a reason.
    int makeDirectory(std::string_view name, std::string& error);
    // A file entry: parents as needed, then the file created or replaced with bytes. 0 or
    // negative with a reason.
    int writeFile(std::string_view name, std::span<const uint8_t> bytes, std::string& error);

    // A file entry in pieces: beginFile creates its parents and a new file under a temporary name
    // beside its place, append adds bytes, commitFile renames it over any file of that name, and
    // abandonFile removes it. So an entry that fails halfway never truncates or replaces a file.
    // Each returns 0 or negative with a reason; after a failed append the file is abandoned.
    int beginFile(std::string_view name, std::string& error);
    int append(std::span<const uint8_t> bytes, std::string& error);
    int commitFile(std::string& error);
    void abandonFile();

private:
    // Opens (creating as needed) the folders of components[0..count) below the root; -1 on failure.
    int openFolders(const std::vector<std::string>& components, size_t count, std::string& error);

    int root_ = -1;
    // The file in progress: its folder, descriptor, temporary and final names.
    int folder_ = -1;
    int file_ = -1;
    std::string temporary_;
    std::string final_;
    std::string display_;
    unsigned serial_ = 0;
};

} // namespace vm::rarpack
