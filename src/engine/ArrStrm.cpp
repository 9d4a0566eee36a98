#include "engine/ArrStrm.h"

#include <algorithm>
#include <cstring>

#include "common/ChatException.h"

namespace tessra {

TArrayStream::TArrayStream() : Bytes(1, '\0') {}

TArrayStream::TArrayStream(TBytes data) : Bytes(std::move(data)) {}

void TArrayStream::SetSize(int64_t size) {
  Bytes.resize(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
  Pos = std::min(Pos, Size());
}

void TArrayStream::Seek(int64_t position) {
  Pos = std::max<int64_t>(position, 0);
}

int64_t TArrayStream::Read(void* buffer, int64_t count) {
  const int64_t n = std::min(std::max<int64_t>(count, 0), Remaining());
  if (n > 0) {
    std::memcpy(buffer, Bytes.data() + Pos, static_cast<size_t>(n));
    Pos += n;
  }
  return n;
}

void TArrayStream::ReadBuffer(void* buffer, int64_t count) {
  if (count < 0 || count > Remaining()) {
    throw TChatException("Stream read error");
  }
  Read(buffer, count);
}

void TArrayStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) {
    return;
  }
  const auto end = static_cast<size_t>(Pos + count);
  if (end > Bytes.size()) {
    Bytes.resize(end, '\0');
  }
  std::memcpy(Bytes.data() + Pos, buffer, static_cast<size_t>(count));
  Pos += count;
}

void TArrayStream::SetData(const TBytes& data) {
  Bytes = data;
}

uint8_t TArrayStream::ReadUInt8() {
  uint8_t value = 0;
  ReadBuffer(&value, 1);
  return value;
}

uint16_t TArrayStream::ReadUInt16BE() {
  uint8_t b[2];
  ReadBuffer(b, 2);
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

int16_t TArrayStream::ReadInt16BE() {
  return static_cast<int16_t>(ReadUInt16BE());
}

int32_t TArrayStream::ReadInt32BE() {
  uint8_t b[4];
  ReadBuffer(b, 4);
  const uint32_t v = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
  return static_cast<int32_t>(v);
}

TBytes TArrayStream::ReadBytes(int64_t count) {
  if (count < 0 || count > Remaining()) {
    throw TChatException("Stream read error");
  }
  TBytes result(static_cast<size_t>(count), '\0');
  Read(result.data(), count);
  return result;
}

void TArrayStream::WriteUInt8(uint8_t value) {
  Write(&value, 1);
}

void TArrayStream::WriteInt16BE(int16_t value) {
  const auto v = static_cast<uint16_t>(value);
  const uint8_t b[2] = {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  Write(b, 2);
}

void TArrayStream::WriteInt32BE(int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  const uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  Write(b, 4);
}

void TArrayStream::WriteBytes(const TBytes& bytes) {
  Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

} // namespace tessra
