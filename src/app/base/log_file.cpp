#include "app/base/log_file.h"

#include "platform/os/system.h"

namespace vm {

// The original wrote in text mode on its platform, so every line ends with CR LF.
static constexpr std::string_view kLineEnd = "\r\n";

LogFile::~LogFile() {
    if (stream_) std::fclose(stream_);
}

void LogFile::open(const std::string& fileName) {
    if (!enabled_) return;
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
    open_ = false;
    stream_ = std::fopen(fileName.c_str(), "wb");
    if (!stream_) {
        os::messageBox(os::WindowHandle::None, "Warning", "Cant create log  file");
        return;
    }
    open_ = true;
    writeLine("Log started");
    writeLine("");
}

void LogFile::writeLine(std::string_view text) {
    if (!enabled_ || !open_) return;
    std::fwrite(text.data(), 1, text.size(), stream_);
    std::fwrite(kLineEnd.data(), 1, kLineEnd.size(), stream_);
    std::fflush(stream_);
}

void LogFile::close() {
    if (!enabled_ || !open_) return;
    writeLine("");
    writeLine("Log finished");
    std::fclose(stream_);
    stream_ = nullptr;
    open_ = false;
}

}  // namespace vm
