// The PDF information reader on a 10 MB PDF-like file: compressed-looking stream objects, with the
// metadata at the end (as an incremental update or a producer that writes it last leaves it).
//   Xmp        an XMP packet at the end: six element scans
//   Dictionary no XMP, an information dictionary at the end: six failed XMP scans, six key scans
//   File       ReadInfo on the same bytes in a file (read from the page cache, then scanned)

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "common/Prompter.h"
#include "pdf/PdfInfo.h"

namespace {

constexpr std::size_t kSize = 10 << 20;

std::string PdfLike(bool withXmp) {
  std::mt19937 random(20101201);
  std::string pdf = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
  pdf.reserve(kSize + 8192);
  int number = 1;
  while (pdf.size() < kSize - 4096) {
    pdf += std::to_string(number++) + " 0 obj\n<< /Length 4000 /Filter /FlateDecode >>\nstream\n";
    for (int i = 0; i < 1000; ++i) {
      std::uint32_t word = random();
      pdf.append(reinterpret_cast<const char*>(&word), 4);
    }
    pdf += "\nendstream\nendobj\n";
  }
  if (withXmp) {
    pdf += std::to_string(number++) +
           " 0 obj\n<< /Type /Metadata /Subtype /XML >>\nstream\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF><rdf:Description rdf:about=\"\">"
           "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">\xE5\xA0\xB1\xE5\x91\x8A\xE6\x9B\xB8</rdf:li>"
           "</rdf:Alt></dc:title><dc:creator><rdf:Seq><rdf:li>Yamada</rdf:li></rdf:Seq></dc:creator>"
           "<dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">Summary</rdf:li></rdf:Alt></dc:description>"
           "<pdf:Keywords>alpha, beta</pdf:Keywords><xmp:CreateDate>2010-12-01T10:20:30+09:00</xmp:CreateDate>"
           "<xmp:ModifyDate>2010-12-02T11:00:00+09:00</xmp:ModifyDate>"
           "</rdf:Description></rdf:RDF></x:xmpmeta>\nendstream\nendobj\n";
  }
  pdf += std::to_string(number) +
         " 0 obj\n<< /Title <FEFF5831544A66F8> /Author (Yamada) /Subject (Summary) /Keywords (alpha, beta) "
         "/CreationDate (D:20101201102030+09'00') /ModDate (D:20101202110000+09'00') >>\nendobj\n"
         "trailer\n<< /Root 1 0 R >>\n%%EOF\n";
  return pdf;
}

class NoPrompter : public folidex::Prompter {
 public:
  folidex::Answer Show(folidex::MessageKind, const std::string&) override { return folidex::Answer::Ok; }
};

void Scan(benchmark::State& state, bool withXmp) {
  const std::string pdf = PdfLike(withXmp);
  for (auto _ : state) {
    folidex::IndexRecord record;
    folidex::PdfInfo::ScanInfo(pdf, record);
    benchmark::DoNotOptimize(record);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(pdf.size()));
}

void BM_PdfInfoXmp(benchmark::State& state) { Scan(state, true); }
void BM_PdfInfoDictionary(benchmark::State& state) { Scan(state, false); }

void BM_PdfInfoFile(benchmark::State& state) {
  const std::string pdf = PdfLike(true);
  char path[] = "/tmp/folidex-pdfinfo-bench-XXXXXX";
  int fd = ::mkstemp(path);
  if (fd < 0) {
    state.SkipWithError("cannot create a temporary file");
    return;
  }
  ::close(fd);
  std::ofstream(path, std::ios::binary) << pdf;
  NoPrompter prompter;
  for (auto _ : state) {
    folidex::IndexRecord record;
    benchmark::DoNotOptimize(folidex::PdfInfo(prompter).ReadInfo(path, record));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(pdf.size()));
  std::remove(path);
}

}  // namespace

BENCHMARK(BM_PdfInfoXmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdfInfoDictionary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdfInfoFile)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
