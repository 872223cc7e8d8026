#pragma once
// The file name the HTML area keeps beside the address of the document it shows: "PDF 取得" and
// Word output name the document by it (the viewer's title key, FN), so that an address such as
// "get?id=5" or "x.pdf?v=2" names "get.pdf" or "x.pdf". UTF-8 throughout.

#include <string>
#include <string_view>

namespace folidex {

// The file name a Content-Disposition header gives: filename*=UTF-8''<percent-encoded> first,
// else filename="<quoted>" or filename=<token>; only its last path segment. Empty when none.
std::string DispositionFileName(std::string_view header);

// The kept name of a document: the header's file name, else the address's last path segment
// (percent-decoded) without its query or fragment; ".pdf" appended when it has no extension;
// "document.pdf" when nothing is left.
std::string KeptDocumentName(std::string_view disposition, std::string_view address);

// The address with its last path segment (and query, fragment) replaced by `name`: the form the
// viewer key and the document's names are taken from ("http://h/a/get?id=5" with "get.pdf" gives
// "http://h/a/get.pdf").
std::string AddressWithName(std::string_view address, std::string_view name);

}  // namespace folidex
