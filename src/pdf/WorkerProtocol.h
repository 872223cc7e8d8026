#pragma once
// The protocol between the program and an engine worker process (see WorkerEngine.h): requests
// and replies as frames, each a four-byte little-endian length followed by that many bytes. A
// frame's first byte names the operation; numbers are four-byte little-endian, texts and images
// a four-byte length and their bytes. Anything that does not decode exactly (a frame cut short,
// a length past the end, bytes left over, an unknown operation) is refused, never guessed at.

#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/PdfEngine.h"
#include "pdf/TextRecognizer.h"

namespace folidex {

// No frame is longer: a rendered page (kMaxRenderPixels bytes) and its header fit.
inline constexpr std::uint32_t kMaxWorkerFrame = 64u << 20;

enum class WorkerOp : std::uint8_t { Open = 1, Close, PageCount, PageText, MetaData, Render, PageHeading };

struct WorkerRequest {
  WorkerOp op = WorkerOp::Close;
  std::string path;                        // Open: a native path
  int page = 0;                            // PageText, Render, PageHeading
  int dpi = 0;                             // Render
  long long maxPixels = kMaxRenderPixels;  // Render: the image's bound (RenderPageWithin)
  friend bool operator==(const WorkerRequest&, const WorkerRequest&) = default;
};

struct WorkerReply {
  WorkerOp op = WorkerOp::Close;
  PdfOpenResult opened = PdfOpenResult::Unreadable;  // Open
  int pageCount = 0;                                 // PageCount
  std::u16string text;                               // PageText, PageHeading
  PdfMetaData meta;                                  // MetaData
  bool rendered = false;                             // Render
  PageImage image;                                   // Render, when rendered
};

// The frame of a payload: its length, then its bytes.
std::string EncodeFrame(std::string_view payload);
// The length that begins the frame of a payload of `length` bytes (to send a large payload
// after it without copying it into one frame).
std::string FrameHeader(std::size_t length);

enum class FrameStatus { Complete, Incomplete, Invalid };
// Takes the first whole frame off the front of `buffer` into `payload`. Incomplete when more
// bytes are needed; Invalid when the length is over kMaxWorkerFrame.
FrameStatus TakeFrame(std::string& buffer, std::string& payload);
// The length the frame at the front of `buffer` (four bytes at least) says it has.
std::uint32_t FrameLength(std::string_view buffer);

std::string EncodeRequest(const WorkerRequest& request);
bool DecodeRequest(std::string_view payload, WorkerRequest& request);

// A reply carries only the part of its operation.
std::string EncodeReply(const WorkerReply& reply);
bool DecodeReply(std::string_view payload, WorkerReply& reply);

// The recognition worker's requests and replies (folidex-worker --recognize, RecognitionWorker.h),
// in frames of the same kind. Their operations are numbered apart from the PDF engine's, so a
// worker of the one kind refuses what was meant for the other. A Recognize request is answered
// by any number of Progress replies and then one Recognize reply.
enum class RecognitionOp : std::uint8_t { Check = 0x41, Recognize, Progress };

struct RecognitionRequest {
  RecognitionOp op = RecognitionOp::Check;
  PageImage image;  // Recognize
};

struct RecognitionReply {
  RecognitionOp op = RecognitionOp::Check;
  RecognizerCheck check;                                 // Check
  int percent = 0;                                       // Progress: 0..100
  RecognitionStatus status = RecognitionStatus::Failed;  // Recognize
  std::u16string text;                                   // Recognize, when Done
};

std::string EncodeRecognitionRequest(const RecognitionRequest& request);
// The Recognize request of `image` without a copy of it first; the image's bytes past its rows
// (bytesPerLine * height, which it must hold) are left out.
std::string EncodeRecognizeRequest(const PageImage& image);
bool DecodeRecognitionRequest(std::string_view payload, RecognitionRequest& request);
std::string EncodeRecognitionReply(const RecognitionReply& reply);
bool DecodeRecognitionReply(std::string_view payload, RecognitionReply& reply);

}  // namespace folidex
