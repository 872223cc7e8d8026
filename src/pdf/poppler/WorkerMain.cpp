// folidex-worker: the PDF engine (poppler) in a process of its own, serving the requests of one
// parent on its standard input and output (pdf/WorkerEngine.h); with --recognize, the text
// recognizer (Tesseract) instead (pdf/RecognitionWorker.h). The parent sets its limits and kills
// it when it exceeds them.

#include <csignal>
#include <cstring>

#include "pdf/RecognitionWorker.h"
#include "pdf/WorkerEngine.h"
#include "pdf/poppler/PopplerPdfEngine.h"
#include "pdf/tesseract/TesseractRecognizer.h"

int main(int argc, char** argv) {
  std::signal(SIGINT, SIG_IGN);  // the parent decides when a document is abandoned
  if (argc > 1 && std::strcmp(argv[1], "--recognize") == 0) {
    folidex::TesseractRecognizer recognizer;
    return folidex::ServeRecognition(recognizer, 0, 1);
  }
  folidex::PopplerPdfEngine engine;
  return folidex::ServeWorker(engine, 0, 1);
}
