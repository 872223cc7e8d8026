#include "PdfBuilder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace folidex::test {

std::string XmpPacket(std::string_view elements, std::string_view attributes) {
  std::string x =
      "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
      " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
      "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
      "    xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\"";
  if (!attributes.empty()) x.append("\n    ").append(attributes);
  x.append(">\n").append(elements).append("\n  </rdf:Description>\n </rdf:RDF>\n</x:xmpmeta>\n");
  x.append("<?xpacket end=\"w\"?>");
  return x;
}

std::string BuildPdf(const PdfParts& parts) {
  std::string pdf = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
  pdf += parts.filler;
  std::vector<std::size_t> offsets;
  auto object = [&](const std::string& body) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    return offsets.size();
  };
  std::string catalog = "<< /Type /Catalog /Pages 2 0 R";
  if (!parts.xmp.empty()) catalog += " /Metadata 4 0 R";
  object(catalog + " >>");
  object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >>");
  if (!parts.xmp.empty())
    object("<< /Type /Metadata /Subtype /XML /Length " + std::to_string(parts.xmp.size()) + " >>\nstream\n" +
           parts.xmp + "\nendstream");
  std::size_t info = 0;
  if (!parts.info.empty()) info = object("<< " + parts.info + " >>");
  pdf += parts.extraObjects;
  std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
  for (std::size_t offset : offsets) {
    std::string digits = std::to_string(offset);
    pdf += std::string(10 - digits.size(), '0') + digits + " 00000 n \n";
  }
  pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R";
  if (info) pdf += " /Info " + std::to_string(info) + " 0 R";
  pdf += " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

std::string WritePdf(const std::string& dir, const std::string& name, const std::string& bytes) {
  std::string path = dir + "/" + name;
  std::ofstream(path, std::ios::binary) << bytes;
  if (const char* corpus = std::getenv("FOLIDEX_FUZZ_CORPUS"); corpus && *corpus) {
    std::filesystem::create_directories(corpus);
    std::ofstream(std::string(corpus) + "/" + name, std::ios::binary) << bytes;
  }
  return path;
}

}  // namespace folidex::test
