#pragma once
// rarpack e's receiver of decoded entries: files are written on a thread of their own while the
// next bytes decode, so the process takes about as long as decoding alone.
//
// The decoder's pieces are copied into a few large chunks that the writer thread takes in order;
// when every chunk is in flight the decoder waits. Each entry goes through TreeWriter's temporary
// file and is renamed into place only when its status is Ok, so a damaged entry never replaces or
// truncates a file. Failed entries are listed on standard output in archive order, by the writer.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "archive/huge_page_memory.h"
#include "archive/media_archive.h"
#include "rarpack/tree_writer.h"

namespace vm::rarpack {

class ExtractPipeline final : public MediaArchive::EntryStream {
public:
    // Starts the writer thread over tree, which must outlive this object.
    explicit ExtractPipeline(TreeWriter& tree);
    // False when the chunks or the thread could not be had; nothing may be streamed then.
    bool ready() const { return writer_.joinable(); }
    ~ExtractPipeline();
    ExtractPipeline(const ExtractPipeline&) = delete;
    ExtractPipeline& operator=(const ExtractPipeline&) = delete;

    bool begin(const MediaEntryInfo& info) override;
    void write(std::span<const std::uint8_t> bytes) override;
    bool end(const MediaEntryInfo& info, MediaEntryStatus status) override;

    // Waits until everything queued is written; then the counts are final.
    void finish();
    unsigned failed() const { return failed_; }
    unsigned total() const { return total_; }

private:
    static constexpr std::size_t kChunkSize = 256 * 1024;
    static constexpr std::size_t kChunks = 8;

    enum class StepKind { Begin, Data, End };
    struct Step {
        StepKind kind = StepKind::Begin;
        std::string name;        // Begin, End
        bool directory = false;  // Begin, End
        std::size_t chunk = 0;   // Data: which chunk
        std::size_t size = 0;    // Data: bytes in it
        std::string failure;     // End: why the entry failed, empty when Ok
    };

    void push(Step step);
    void sendChunk();
    std::size_t takeFreeChunk();
    void run();
    void perform(Step& step);

    TreeWriter& tree_;
    HugePageMemory memory_;
    std::vector<std::size_t> free_;  // chunks not in flight
    std::deque<Step> steps_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool closing_ = false;

    // Decoder side.
    std::size_t current_ = kChunks;  // chunk being filled, kChunks for none
    std::size_t filled_ = 0;

    // Writer side.
    bool open_ = false;
    std::string why_;
    unsigned failed_ = 0;
    unsigned total_ = 0;

    std::thread writer_;
};

} // namespace vm::rarpack
