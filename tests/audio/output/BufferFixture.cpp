#include "BufferFixture.h"

namespace {
constexpr uint32_t kRingMs = 3000;
}  // namespace

void StreamingBuffer::OpenOutput(const std::string& output) {
  if (output == "steps") {
    stepped_ = std::make_unique<SteppedPlayer>(CapturePath());
    buffer_.SetCounter(stepped_->Counter());
    stepped_->SetCycle([this] {
      buffer_.Refill();
      return 0u;
    });
  } else {
    audio_ = std::make_unique<ScopedAudioOutput>(output);
  }
  TOzoAudioConfig config{0, nullptr, nullptr, nullptr};
  ASSERT_EQ(device_.Open(&config), 0);
}

void StreamingBuffer::TearDown() {
  buffer_.Release();
  device_.Close();
  buffer_.SetCounter(SystemCounter());
  stepped_.reset();
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
