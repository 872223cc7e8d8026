#include "pdf/WorkerProtocol.h"

#include <algorithm>
#include <cstring>

namespace folidex {
namespace {

void PutNumber(std::string& out, std::uint32_t value) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>((value >> (8 * k)) & 0xFF));
}
void PutBytes(std::string& out, std::string_view bytes) {
  PutNumber(out, static_cast<std::uint32_t>(bytes.size()));
  out.append(bytes);
}
void PutText(std::string& out, const std::u16string& text) {
  PutBytes(out, std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t)));
}
void PutDate(std::string& out, const std::optional<PdfDateTime>& date) {
  out.push_back(date ? 1 : 0);
  if (!date) return;
  for (int part : {date->year, date->month, date->day, date->hour, date->minute, date->second})
    PutNumber(out, static_cast<std::uint32_t>(part));
}

void PutImage(std::string& out, const PageImage& image) {
  for (int value : {image.width, image.height, image.bytesPerLine, image.dpi})
    PutNumber(out, static_cast<std::uint32_t>(value));
  PutBytes(out, std::string_view(reinterpret_cast<const char*>(image.bytes.data()), image.bytes.size()));
}

// Reads from the front of a payload; every read fails once one has failed.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : rest_(bytes) {}
  bool Ok() const { return ok_; }
  bool Done() const { return ok_ && rest_.empty(); }
  std::uint8_t Byte() {
    if (!Need(1)) return 0;
    const auto value = static_cast<std::uint8_t>(rest_[0]);
    rest_.remove_prefix(1);
    return value;
  }
  std::uint32_t Number() {
    if (!Need(4)) return 0;
    std::uint32_t value = 0;
    for (int k = 0; k < 4; ++k) value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(rest_[k])) << (8 * k);
    rest_.remove_prefix(4);
    return value;
  }
  int Int() {
    const std::uint32_t value = Number();
    if (value > 0x7FFFFFFFu) ok_ = false;
    return ok_ ? static_cast<int>(value) : 0;
  }
  std::string_view Bytes() {
    const std::uint32_t length = Number();
    if (!Need(length)) return {};
    const std::string_view bytes = rest_.substr(0, length);
    rest_.remove_prefix(length);
    return bytes;
  }
  std::u16string Text() {
    const std::string_view bytes = Bytes();
    if (bytes.size() % sizeof(char16_t) != 0) ok_ = false;
    if (!ok_) return {};
    std::u16string text(bytes.size() / sizeof(char16_t), u'\0');
    if (!text.empty()) std::memcpy(text.data(), bytes.data(), bytes.size());
    return text;
  }
  // A page image whose bytes fill its rows exactly; false when it does not.
  bool Image(PageImage& image) {
    image.width = Int();
    image.height = Int();
    image.bytesPerLine = Int();
    image.dpi = Int();
    const std::string_view bytes = Bytes();
    if (!ok_ || image.width <= 0 || image.height <= 0 || image.bytesPerLine < image.width ||
        static_cast<std::uint64_t>(image.bytesPerLine) * static_cast<std::uint64_t>(image.height) != bytes.size()) {
      ok_ = false;
      return false;
    }
    image.bytes.assign(bytes.begin(), bytes.end());
    return true;
  }
  std::optional<PdfDateTime> Date() {
    const std::uint8_t has = Byte();
    if (has > 1) ok_ = false;
    if (has != 1) return std::nullopt;
    PdfDateTime date;
    for (int* part : {&date.year, &date.month, &date.day, &date.hour, &date.minute, &date.second}) *part = Int();
    return date;
  }

 private:
  bool Need(std::size_t n) {
    if (rest_.size() < n) ok_ = false;
    return ok_;
  }
  std::string_view rest_;
  bool ok_ = true;
};

bool KnownOp(std::uint8_t op) { return op >= 1 && op <= static_cast<std::uint8_t>(WorkerOp::PageHeading); }

}  // namespace

std::string FrameHeader(std::size_t length) {
  std::string header;
  PutNumber(header, static_cast<std::uint32_t>(length));
  return header;
}

std::string EncodeFrame(std::string_view payload) {
  std::string frame = FrameHeader(payload.size());
  frame.append(payload);
  return frame;
}

std::uint32_t FrameLength(std::string_view buffer) {
  Reader header(buffer.substr(0, 4));
  return header.Number();
}

FrameStatus TakeFrame(std::string& buffer, std::string& payload) {
  if (buffer.size() < 4) return FrameStatus::Incomplete;
  const std::uint32_t length = FrameLength(buffer);
  if (length > kMaxWorkerFrame) return FrameStatus::Invalid;
  if (buffer.size() - 4 < length) return FrameStatus::Incomplete;
  if (buffer.size() - 4 == length) {
    // The buffer is this frame alone (a page's image, often): its bytes become the payload
    // without a second copy of them.
    payload = std::move(buffer);
    payload.erase(0, 4);
    buffer = std::string();
  } else {
    payload.assign(buffer, 4, length);
    buffer.erase(0, 4 + static_cast<std::size_t>(length));
  }
  return FrameStatus::Complete;
}

std::string EncodeRequest(const WorkerRequest& request) {
  std::string out(1, static_cast<char>(request.op));
  switch (request.op) {
    case WorkerOp::Open:
      PutBytes(out, request.path);
      break;
    case WorkerOp::PageText:
    case WorkerOp::PageHeading:
      PutNumber(out, static_cast<std::uint32_t>(request.page));
      break;
    case WorkerOp::Render:
      PutNumber(out, static_cast<std::uint32_t>(request.page));
      PutNumber(out, static_cast<std::uint32_t>(request.dpi));
      PutNumber(out, static_cast<std::uint32_t>(std::clamp<long long>(request.maxPixels, 0, kMaxRenderPixels)));
      break;
    case WorkerOp::Close:
    case WorkerOp::PageCount:
    case WorkerOp::MetaData:
      break;
  }
  return out;
}

bool DecodeRequest(std::string_view payload, WorkerRequest& request) {
  request = WorkerRequest{};
  Reader in(payload);
  const std::uint8_t op = in.Byte();
  if (!in.Ok() || !KnownOp(op)) return false;
  request.op = static_cast<WorkerOp>(op);
  switch (request.op) {
    case WorkerOp::Open:
      request.path = std::string(in.Bytes());
      break;
    case WorkerOp::PageText:
    case WorkerOp::PageHeading:
      request.page = in.Int();
      break;
    case WorkerOp::Render:
      request.page = in.Int();
      request.dpi = in.Int();
      request.maxPixels = in.Int();
      break;
    case WorkerOp::Close:
    case WorkerOp::PageCount:
    case WorkerOp::MetaData:
      break;
  }
  return in.Done();
}

std::string EncodeReply(const WorkerReply& reply) {
  std::string out(1, static_cast<char>(reply.op));
  switch (reply.op) {
    case WorkerOp::Open:
      out.push_back(static_cast<char>(reply.opened));
      break;
    case WorkerOp::PageCount:
      PutNumber(out, static_cast<std::uint32_t>(reply.pageCount));
      break;
    case WorkerOp::PageText:
    case WorkerOp::PageHeading:
      PutText(out, reply.text);
      break;
    case WorkerOp::MetaData:
      for (const std::u16string* text :
           {&reply.meta.title, &reply.meta.author, &reply.meta.subject, &reply.meta.keywords})
        PutText(out, *text);
      PutDate(out, reply.meta.created);
      PutDate(out, reply.meta.modified);
      break;
    case WorkerOp::Render:
      out.push_back(reply.rendered ? 1 : 0);
      if (reply.rendered) PutImage(out, reply.image);
      break;
    case WorkerOp::Close:
      break;
  }
  return out;
}

bool DecodeReply(std::string_view payload, WorkerReply& reply) {
  reply = WorkerReply{};
  Reader in(payload);
  const std::uint8_t op = in.Byte();
  if (!in.Ok() || !KnownOp(op)) return false;
  reply.op = static_cast<WorkerOp>(op);
  switch (reply.op) {
    case WorkerOp::Open: {
      const std::uint8_t opened = in.Byte();
      if (opened > static_cast<std::uint8_t>(PdfOpenResult::Encrypted)) return false;
      reply.opened = static_cast<PdfOpenResult>(opened);
      break;
    }
    case WorkerOp::PageCount:
      reply.pageCount = in.Int();
      break;
    case WorkerOp::PageText:
    case WorkerOp::PageHeading:
      reply.text = in.Text();
      break;
    case WorkerOp::MetaData:
      for (std::u16string* text : {&reply.meta.title, &reply.meta.author, &reply.meta.subject, &reply.meta.keywords})
        *text = in.Text();
      reply.meta.created = in.Date();
      reply.meta.modified = in.Date();
      break;
    case WorkerOp::Render: {
      const std::uint8_t rendered = in.Byte();
      if (rendered > 1) return false;
      reply.rendered = rendered == 1;
      if (reply.rendered && !in.Image(reply.image)) return false;
      break;
    }
    case WorkerOp::Close:
      break;
  }
  return in.Done();
}

std::string EncodeRecognitionRequest(const RecognitionRequest& request) {
  if (request.op == RecognitionOp::Recognize) return EncodeRecognizeRequest(request.image);
  return std::string(1, static_cast<char>(request.op));
}

std::string EncodeRecognizeRequest(const PageImage& image) {
  const std::size_t size = static_cast<std::size_t>(image.bytesPerLine) * static_cast<std::size_t>(image.height);
  std::string out(1, static_cast<char>(RecognitionOp::Recognize));
  out.reserve(size + 21);
  for (int value : {image.width, image.height, image.bytesPerLine, image.dpi})
    PutNumber(out, static_cast<std::uint32_t>(value));
  PutBytes(out,
           std::string_view(reinterpret_cast<const char*>(image.bytes.data()), std::min(size, image.bytes.size())));
  return out;
}

bool DecodeRecognitionRequest(std::string_view payload, RecognitionRequest& request) {
  request = RecognitionRequest{};
  Reader in(payload);
  const std::uint8_t op = in.Byte();
  if (!in.Ok()) return false;
  request.op = static_cast<RecognitionOp>(op);
  switch (request.op) {
    case RecognitionOp::Check:
      break;
    case RecognitionOp::Recognize:
      if (!in.Image(request.image)) return false;
      break;
    default:
      return false;
  }
  return in.Done();
}

std::string EncodeRecognitionReply(const RecognitionReply& reply) {
  std::string out(1, static_cast<char>(reply.op));
  switch (reply.op) {
    case RecognitionOp::Check:
      out.push_back(static_cast<char>(reply.check.state));
      PutBytes(out, reply.check.detail);
      break;
    case RecognitionOp::Progress:
      out.push_back(static_cast<char>(reply.percent));
      break;
    case RecognitionOp::Recognize:
      out.push_back(static_cast<char>(reply.status));
      PutText(out, reply.status == RecognitionStatus::Done ? reply.text : std::u16string());
      break;
  }
  return out;
}

bool DecodeRecognitionReply(std::string_view payload, RecognitionReply& reply) {
  reply = RecognitionReply{};
  Reader in(payload);
  const std::uint8_t op = in.Byte();
  if (!in.Ok()) return false;
  reply.op = static_cast<RecognitionOp>(op);
  switch (reply.op) {
    case RecognitionOp::Check: {
      const std::uint8_t state = in.Byte();
      if (state > static_cast<std::uint8_t>(RecognizerState::JapaneseDataMissing)) return false;
      reply.check.state = static_cast<RecognizerState>(state);
      reply.check.detail = std::string(in.Bytes());
      break;
    }
    case RecognitionOp::Progress:
      reply.percent = in.Byte();
      if (reply.percent > 100) return false;
      break;
    case RecognitionOp::Recognize: {
      const std::uint8_t status = in.Byte();
      if (status > static_cast<std::uint8_t>(RecognitionStatus::Failed)) return false;
      reply.status = static_cast<RecognitionStatus>(status);
      reply.text = in.Text();
      if (reply.status != RecognitionStatus::Done && !reply.text.empty()) return false;
      break;
    }
    default:
      return false;
  }
  return in.Done();
}

}  // namespace folidex
