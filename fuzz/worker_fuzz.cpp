// libFuzzer target: the engine worker's protocol on arbitrary bytes, as a stream of frames and as
// one request or reply. Besides the sanitizers' checks it traps when a request or reply that
// decodes does not encode back to exactly its bytes (the encoding has one form), or when taking
// frames off a buffer does not shorten it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/WorkerProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  folidex::WorkerRequest request;
  if (folidex::DecodeRequest(bytes, request) && folidex::EncodeRequest(request) != bytes) __builtin_trap();
  folidex::WorkerReply reply;
  if (folidex::DecodeReply(bytes, reply) && folidex::EncodeReply(reply) != bytes) __builtin_trap();
  std::string buffer(bytes), payload;
  for (;;) {
    const std::size_t before = buffer.size();
    if (folidex::TakeFrame(buffer, payload) != folidex::FrameStatus::Complete) break;
    if (buffer.size() != before - 4 - payload.size()) __builtin_trap();
    folidex::DecodeReply(payload, reply);
  }
  return 0;
}
