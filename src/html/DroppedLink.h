#pragma once
// Links dropped on the list area: which dragged data is a link, which PDF address it names (also
// inside a redirect address), the address to fetch and the file name to store.
//
// Texts: the dragged URLs come in as UTF-8. The address of a link (what is downloaded, shown in
// the HTML area and stored as FG) is kept percent-encoded, so it is ASCII and the same bytes in
// UTF-8 and CP932. The file name (FN) is decoded, in CP932.

#include <string>
#include <string_view>
#include <vector>

namespace folidex {

// The innermost address ending in "." + ext (ext upper-case, "PDF") inside `url`, in CP932:
// upper-case a copy, cut both right after the first "." + ext, take `url` from the last
// "http://" or "https://" (either letter case; at most 100 are looked at) to the cut; if that
// holds "%", decode it (DecodePercentText) and look again. Empty when there is no such address.
// A redirect address carrying its target as an encoded parameter gives the decoded target; a
// query after ".pdf" is lost.
std::string ExtractPdfUrl(std::string_view url, std::string_view ext);

// The same search over the bytes of the escapes (DecodePercentBytes) instead of CP932 text: the
// inner address with the bytes its server knows, UTF-8 or an old site's CP932, re-encoded as
// escapes (EncodeAddressBytes). Empty when there is no such address.
std::string ExtractPdfAddress(std::string_view url, std::string_view ext);

// The lines of a text/uri-list value: comments (#) and blank lines skipped, CR LF trimmed.
std::vector<std::string> ParseUriList(std::string_view text);

// The address of a text/x-moz-url value (UTF-8): its first line (the second is the title).
std::string MozUrlAddress(std::string_view text);

enum class DropKind {
  None,    // neither files nor a web link: the list area's ordinary drop handling
  Files,   // local file URLs: the list area's dropped-file handling
  Link,    // a link to a PDF: download and import it
  NotPdf,  // a web link that names no PDF: refuse it with 30061
};

struct DroppedLink {
  DropKind kind = DropKind::None;
  std::vector<std::string> files;  // Files: native paths (UTF-8)
  std::string fetchUrl;            // Link: UTF-8, percent-encoded; download it, show it in the HTML area
  std::string address;             // Link: CP932, FG as stored: the same percent-encoded text
  std::string fileName;            // Link: CP932, FN: the decoded last segment ("資料.pdf")
  bool decodedFromUtf8 = false;    // Link: the escapes of the address were read as UTF-8
};

// Whether a dragged URL (UTF-8) is a web link (http or https, either letter case).
bool IsWebLink(std::string_view url);

// The native path of a local file URL (file:///home/a.pdf, file://localhost/home/a.pdf), escapes
// decoded to their bytes; empty for anything else.
std::string LocalFileUrlPath(std::string_view url);

// Decides a drop from the dragged URLs (UTF-8, as text/uri-list or text/x-moz-url give them):
// - any local file URL: the drop is of files (every local file URL, in order);
// - else the first web link: an address whose last four characters are ".PDF" in any letter case
//   is taken as it is, otherwise ExtractPdfAddress digs the PDF address out of it, and when there
//   is none the link is refused (NotPdf);
// - anything else: None.
// Raw non-ASCII characters of a dragged address are percent-encoded as UTF-8 first. The file
// name is the text after the last "/" of the decoded address (DecodePercent).
DroppedLink DecideDroppedLink(const std::vector<std::string>& urls);

}  // namespace folidex
