#include "BufferFixture.h"

#include "platform/kernel/KernelThread.h"

namespace {
constexpr uint32_t kRingMs = 3000;
constexpr uint32_t kRefillPeriodMs = 20;

int RefillLoop(const std::atomic<int32_t>* stop, void* buffer) {
  while (!*stop) {
    auto* b = static_cast<TVyBufferTAG*>(buffer);
    b->Refill();
    Sleep(b->RefillDueMs(kRefillPeriodMs));
  }
  return 0;
}
}  // namespace

void StreamingBuffer::OpenOutput(const std::string& output) {
  const std::string choice = output.empty()      ? ScopedAudioOutput::Capture(CapturePath())
                             : output == "steps" ? ScopedAudioOutput::SteppedCapture(CapturePath())
                                                 : output;
  audio_ = std::make_unique<ScopedAudioOutput>(choice);
  TOzoAudioConfig config{0, nullptr, nullptr, nullptr};
  ASSERT_EQ(device_.Open(&config), 0);
}

void StreamingBuffer::TearDown() {
  StopRefills();
  buffer_.Release();
  device_.Close();
  audio_.reset();
}

void StreamingBuffer::Load(const WavLayout& layout) {
  std::string path = dir_.File("song.wav");
  WriteFileBytes(path, MakeWav(layout));
  ASSERT_EQ(decoder_.Open(path.c_str(), 0), 0);
  const uint32_t block = decoder_.BlockSize;
  config_ = {(kChunk + block - 1) / block * block, 0, block, 200, 50, &decoder_};
  config_.blocksPerChunk = config_.chunkBytes / block;
  const TWaveFormatEx format{decoder_.Format, 0};
  const uint32_t bytes = MsToBytes(kRingMs, &format);
  ringBytes_ = (bytes + config_.chunkBytes - 1) / config_.chunkBytes * config_.chunkBytes;
  ASSERT_EQ(buffer_.Configure(&device_, &decoder_.Format, &config_, ringBytes_), 0);
}

void StreamingBuffer::StartRefills() { refills_ = TOzoThreadTAG::StartThread(RefillLoop, &buffer_); }
