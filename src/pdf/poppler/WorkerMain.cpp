// folidex-worker: the PDF engine (poppler) in a process of its own, serving the requests of one
// parent on its standard input and output (pdf/WorkerEngine.h). The parent sets its limits and
// kills it when it exceeds them.

#include <csignal>

#include "pdf/WorkerEngine.h"
#include "pdf/poppler/PopplerPdfEngine.h"

int main() {
  std::signal(SIGINT, SIG_IGN);  // the parent decides when a document is abandoned
  folidex::PopplerPdfEngine engine;
  return folidex::ServeWorker(engine, 0, 1);
}
