#pragma once
// The TextRecognizer port: the text of a page image, read by an OCR engine (Japanese horizontal
// and vertical writing, English), with progress and cancel. The engine (Tesseract here) stays
// behind this port; tests fake it.

#include <functional>
#include <optional>
#include <string>

#include "pdf/PageImage.h"

namespace folidex {

enum class RecognizerState {
  Ready,
  EngineMissing,        // the engine cannot start, or it has no language data at all
  JapaneseDataMissing,  // the engine runs, but without the Japanese language data
};

struct RecognizerCheck {
  RecognizerState state = RecognizerState::EngineMissing;
  std::string detail;  // UTF-8, for logs and the terminal: engine version, languages, what is missing
  bool Ready() const { return state == RecognizerState::Ready; }
};

// What a running recognition reports and asks. Called on the thread that recognises.
class RecognitionMonitor {
 public:
  virtual ~RecognitionMonitor() = default;
  virtual bool Cancelled() = 0;
  virtual void PageProgress(int percent) { (void)percent; }  // 0..100 within the current page
};

enum class RecognitionStatus { Done, Cancelled, Failed };

class TextRecognizer {
 public:
  virtual ~TextRecognizer() = default;

  // Whether the engine and its Japanese data are there. May take a moment the first time (the
  // engine loads its models); later calls answer at once.
  virtual RecognizerCheck Check() = 0;

  // As Check, while `cancelled` (asked at least ten times a second while the engine loads) does
  // not say stop; nullopt once it does, and that check is not kept (the next one asks again).
  virtual std::optional<RecognizerCheck> CheckUnlessCancelled(const std::function<bool()>& cancelled) {
    (void)cancelled;
    return Check();
  }

  // Reads the text of one page image into `text` (lines joined with "\n"; empty when the page
  // shows no text). Cancelled when the monitor asked for it; Failed when the engine is missing or
  // fails. `text` is empty unless the result is Done.
  virtual RecognitionStatus Recognize(const PageImage& page, RecognitionMonitor& monitor, std::u16string& text) = 0;
  // The same with the page handed over (it is empty afterwards): a recognizer that prepares the
  // page (turns it level) lets the given image go as it makes the new one, so no more than two
  // images of the page exist at once.
  virtual RecognitionStatus RecognizeTaken(PageImage&& page, RecognitionMonitor& monitor, std::u16string& text) {
    const RecognitionStatus status = Recognize(page, monitor, text);
    page = PageImage{};
    return status;
  }
};

}  // namespace folidex
