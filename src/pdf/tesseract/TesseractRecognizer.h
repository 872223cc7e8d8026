#pragma once
// The TextRecognizer port on Tesseract (C++ API). Each page is looked at by the orientation and
// script detection (osd) first: a page written in Latin script is read with the English model
// alone, every other page with the Japanese models (jpn+jpn_vert: the layout analysis finds
// vertical lines and reads them with the vertical model), so large Japanese headings are never
// taken for English words. A page turned sideways or upside down is turned upright first, and a
// page whose lines slope a little (a sheet fed askew) is turned level (PagePreparation), except
// a page of small type, which the engine reads better unturned at twice its size. The
// text is taken from the engine's layout — blocks, paragraphs and lines in the engine's reading
// order — so the columns of a page are not interleaved.
//
// The models are loaded on the first Check or Recognize (the English model on the first English
// page) and kept. One object recognises one page at a time; Check and Recognize may come from
// different threads as long as they do not overlap. Several objects may recognise at once, one
// on each thread.

#include <memory>
#include <string>

#include "pdf/TextRecognizer.h"

namespace tesseract {
class TessBaseAPI;
}

namespace folidex {

// What the orientation and script detection found on a page.
enum class PageScript { Unknown, Japanese, Latin };

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
  RecognitionStatus RecognizeTaken(PageImage&& page, RecognitionMonitor& monitor, std::u16string& text) override;

  // The folder the models were loaded from, once Check found any; empty before.
  const std::string& DataFolder() const { return dataFolder_; }

  // The script the last recognised page was read as (Unknown before the first, or when the
  // detection could not tell and the Japanese models read it).
  PageScript LastScript() const { return lastScript_; }
  // The models the last page was read with ("jpn+jpn_vert", "eng"); empty before the first.
  const std::string& LastLanguages() const { return lastLanguages_; }

 private:
  struct Detected {
    PageScript script = PageScript::Unknown;
    int clockwise = 0;  // degrees the page is turned clockwise: 0, 90, 180 or 270
  };
  Detected DetectScript(const PageImage& page);
  Detected DetectPageScript(const PageImage& page, RecognitionMonitor& monitor);
  RecognitionStatus Read(PageImage page, RecognitionMonitor& monitor, std::u16string& text);
  tesseract::TessBaseAPI* EnglishEngine();

  std::string dataPath_;
  std::string dataFolder_;
  std::string japaneseLanguages_;
  std::unique_ptr<tesseract::TessBaseAPI> japanese_;
  std::unique_ptr<tesseract::TessBaseAPI> english_;
  std::unique_ptr<tesseract::TessBaseAPI> osd_;
  bool englishData_ = false;
  bool englishTried_ = false;
  bool osdData_ = false;
  bool checked_ = false;
  RecognizerCheck check_;
  PageScript lastScript_ = PageScript::Unknown;
  std::string lastLanguages_;
};

}  // namespace folidex
