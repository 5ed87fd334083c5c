#pragma once
// The diagnostic trace: one plain line per start-up, loading and device step, each flushed at once.
// Governed by the application's logEnabled switch (off in the delivered build, VM_LOG_ENABLED in CMake):
// while disabled every operation returns at once and no file is created.

#include <cstdio>
#include <string>
#include <string_view>

namespace vm {

class LogFile {
public:
    LogFile() = default;
    ~LogFile();  // closes the stream without the closing lines
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void setEnabled(bool enabled) noexcept { enabled_ = enabled; }
    bool isEnabled() const noexcept { return enabled_; }
    bool isOpen() const noexcept { return open_; }

    // Creates (truncates) the file and writes "Log started" and an empty line. On failure shows the
    // "Cant create log  file" box once and stays closed.
    void open(const std::string& fileName);
    // Writes the text byte for byte and a line end, then flushes. Does nothing unless open.
    void writeLine(std::string_view text);
    // Writes an empty line and "Log finished", then closes. Does nothing unless open.
    void close();

private:
    std::FILE* stream_ = nullptr;
    bool open_ = false;
    bool enabled_ = true;
};

}  // namespace vm
