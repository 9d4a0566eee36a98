#pragma once

#include <cstdint>

#include "engine/Bytes.h"

namespace tessra {

// A seekable in-memory byte stream whose storage is exported and imported
// whole through Data(). A new stream holds one byte 0x00; writing at the
// position overwrites and extends the contents, so the size is the highest
// byte written + 1 and never less than 1.
//
// Reading is bounded by the bytes present: Read() returns what is there and
// ReadBuffer() fails with "Stream read error" when fewer bytes remain than
// asked for. The big-endian helpers are built on ReadBuffer().
class TArrayStream {
public:
  TArrayStream();
  explicit TArrayStream(TBytes data);

  int64_t Size() const { return static_cast<int64_t>(Bytes.size()); }
  void SetSize(int64_t size);
  int64_t Position() const { return Pos; }
  void Seek(int64_t position);
  int64_t Remaining() const { return Pos < Size() ? Size() - Pos : 0; }

  int64_t Read(void* buffer, int64_t count);
  void ReadBuffer(void* buffer, int64_t count);
  void Write(const void* buffer, int64_t count);

  const TBytes& Data() const { return Bytes; }
  void SetData(const TBytes& data);

  uint8_t ReadUInt8();
  int16_t ReadInt16BE();
  uint16_t ReadUInt16BE();
  int32_t ReadInt32BE();
  TBytes ReadBytes(int64_t count);

  void WriteUInt8(uint8_t value);
  void WriteInt16BE(int16_t value);
  void WriteInt32BE(int32_t value);
  void WriteBytes(const TBytes& bytes);

private:
  TBytes Bytes;
  int64_t Pos = 0;
};

} // namespace tessra
