#pragma once
// The type of the document shown in the HTML area, told from its address alone.

#include <string>
#include <string_view>

namespace folidex {

// "HTML", "PDF", one of the picture types "JPG", "JPEG", "GIF", "PNG", "TIF", "TIFF", "BMP",
// "DIB", or empty when the address has neither "/" nor "\" (about:blank). The file name is the
// part after the last "/" (else the last "\"); without a "." it is "HTML"; otherwise its
// extension, upper-cased, decides, and anything not listed is "HTML" — so a query or fragment
// after ".pdf" makes a page "HTML". `url` is CP932.
std::string DetectPageType(std::string_view url);

}  // namespace folidex
