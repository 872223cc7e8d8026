#pragma once
// The TextRecognizer port on Tesseract (C++ API): the Japanese, vertical Japanese and English
// models are loaded together (jpn+jpn_vert+eng), so the layout analysis finds vertical lines and
// reads them with the vertical model; with the orientation and script data (osd) a rotated page
// is turned upright first. The models are loaded on the first Check or Recognize and kept.
//
// One object recognises one page at a time; Check and Recognize may come from different threads
// as long as they do not overlap.

#include <memory>
#include <string>

#include "pdf/TextRecognizer.h"

namespace tesseract {
class TessBaseAPI;
}

namespace folidex {

class TesseractRecognizer : public TextRecognizer {
 public:
  // `dataPath`: the folder holding the *.traineddata files; empty for Tesseract's own (the
  // TESSDATA_PREFIX environment variable, or the installed data).
  explicit TesseractRecognizer(std::string dataPath = {});
  ~TesseractRecognizer() override;
  TesseractRecognizer(const TesseractRecognizer&) = delete;
  TesseractRecognizer& operator=(const TesseractRecognizer&) = delete;

  RecognizerCheck Check() override;
  RecognitionStatus Recognize(const PageImage& page, RecognitionMonitor& monitor, std::u16string& text) override;

  // The folder the models were loaded from, once Check found any; empty before.
  const std::string& DataFolder() const { return dataFolder_; }

 private:
  std::string dataPath_;
  std::string dataFolder_;
  std::unique_ptr<tesseract::TessBaseAPI> api_;
  bool checked_ = false;
  RecognizerCheck check_;
};

}  // namespace folidex
