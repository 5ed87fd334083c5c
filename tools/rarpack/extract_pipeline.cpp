#include "rarpack/extract_pipeline.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vm::rarpack {
namespace {

const char* statusText(MediaEntryStatus s)
{
    switch (s) {
    case MediaEntryStatus::Ok:
        return "ok";
    case MediaEntryStatus::CrcMismatch:
        return "CRC mismatch or wrong password";
    case MediaEntryStatus::Unsupported:
        return "unsupported unpack version";
    case MediaEntryStatus::Damaged:
        return "damaged";
    case MediaEntryStatus::OutOfMemory:
        return "out of memory";
    }
    return "failed";
}

} // namespace

ExtractPipeline::ExtractPipeline(TreeWriter& tree)
    : tree_(tree)
{
    if (!memory_.allocate(kChunkSize * kChunks))
        return;
    for (std::size_t i = 0; i < kChunks; ++i)
        free_.push_back(i);
    writer_ = std::thread([this] { run(); });
}

ExtractPipeline::~ExtractPipeline() { finish(); }

void ExtractPipeline::finish()
{
    if (!writer_.joinable())
        return;
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    writer_.join();
}

void ExtractPipeline::push(Step step)
{
    {
        const std::lock_guard lock(mutex_);
        steps_.push_back(std::move(step));
    }
    changed_.notify_all();
}

std::size_t ExtractPipeline::takeFreeChunk()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty(); });
    const std::size_t chunk = free_.back();
    free_.pop_back();
    return chunk;
}

void ExtractPipeline::sendChunk()
{
    if (current_ == kChunks)
        return;
    Step step;
    step.kind = StepKind::Data;
    step.chunk = current_;
    step.size = filled_;
    current_ = kChunks;
    filled_ = 0;
    push(std::move(step));
}

bool ExtractPipeline::begin(const MediaEntryInfo& info)
{
    Step step;
    step.kind = StepKind::Begin;
    step.name = info.name;
    step.directory = info.directory();
    push(std::move(step));
    return true;
}

void ExtractPipeline::write(std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        if (current_ == kChunks)
            current_ = takeFreeChunk();
        const std::size_t n = std::min(bytes.size(), kChunkSize - filled_);
        std::memcpy(memory_.data() + current_ * kChunkSize + filled_, bytes.data(), n);
        filled_ += n;
        bytes = bytes.subspan(n);
        if (filled_ == kChunkSize)
            sendChunk();
    }
}

bool ExtractPipeline::end(const MediaEntryInfo& info, MediaEntryStatus status)
{
    sendChunk();
    Step step;
    step.kind = StepKind::End;
    step.name = info.name;
    step.directory = info.directory();
    if (status != MediaEntryStatus::Ok)
        step.failure = statusText(status);
    push(std::move(step));
    return true;
}

void ExtractPipeline::run()
{
    for (;;) {
        Step step;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !steps_.empty() || closing_; });
            if (steps_.empty())
                return;
            step = std::move(steps_.front());
            steps_.pop_front();
        }
        perform(step);
        if (step.kind == StepKind::Data) {
            {
                const std::lock_guard lock(mutex_);
                free_.push_back(step.chunk);
            }
            changed_.notify_all();
        }
    }
}

void ExtractPipeline::perform(Step& step)
{
    switch (step.kind) {
    case StepKind::Begin:
        ++total_;
        why_.clear();
        open_ = !step.directory && tree_.beginFile(step.name, why_) == 0;
        return;
    case StepKind::Data:
        if (open_)
            open_ = tree_.append({memory_.data() + step.chunk * kChunkSize, step.size}, why_) == 0;
        return;
    case StepKind::End:
        if (!step.failure.empty()) {
            tree_.abandonFile();
            why_ = step.failure;
        } else if (step.directory ? tree_.makeDirectory(step.name, why_) == 0
                                  : open_ && tree_.commitFile(why_) == 0) {
            return;
        }
        ++failed_;
        std::printf("FAILED %s (%s)\n", step.name.c_str(), why_.c_str());
        return;
    }
}

} // namespace vm::rarpack
