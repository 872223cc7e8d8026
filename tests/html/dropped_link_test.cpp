// Percent-escapes, the PDF address inside a redirect address, and the decision on a drop.

#include <gtest/gtest.h>

#include <random>

#include "html/DroppedLink.h"
#include "html/PercentText.h"
#include "support/TestSupport.h"

namespace folidex {
namespace {

using test::J;

TEST(DecodePercentText, SingleBytesUtf8AndCp932Pairs) {
  EXPECT_EQ(DecodePercentText("%41"), "A");
  EXPECT_EQ(DecodePercentText("%E3%81%82"), J("あ"));
  EXPECT_EQ(DecodePercentText("%e3%81%82"), J("あ"));
  EXPECT_EQ(DecodePercentText("%82%A0"), J("あ"));
  // Kanji lead bytes E4..E9 are CP932 lead bytes too; well-formed UTF-8 wins.
  EXPECT_EQ(DecodePercentText("/docs/%E8%B3%87%E6%96%99.pdf"), J("/docs/資料.pdf"));
  EXPECT_EQ(DecodePercentText("%8E%91%97%BF.pdf"), J("資料.pdf"));
  // Two-byte UTF-8; a single byte above 0x80 that is no lead byte is a half-width kana.
  EXPECT_EQ(DecodePercentText("%C2%A7"), J("§"));
  EXPECT_EQ(DecodePercentText("%B1"), J("ｱ"));
  // A four-byte sequence has no CP932 form: one space.
  EXPECT_EQ(DecodePercentText("a%F0%9F%98%80b"), "a b");
}

TEST(DecodePercentText, Cp932PairsThatAreNotWellFormedUtf8) {
  // E3 40 is 紂 in CP932; 0x40 cannot continue a UTF-8 sequence.
  EXPECT_EQ(DecodePercentText("%E3%40.pdf"), J("紂.pdf"));
  // E3 81 followed by a non-escape: the pair is CP932.
  EXPECT_EQ(DecodePercentText("%E3%81xyz"), std::string("\xE3\x81xyz"));
}

TEST(DecodePercentText, ReportsWhetherUtf8WasRead) {
  EXPECT_TRUE(DecodePercent("%E8%B3%87").utf8);
  EXPECT_FALSE(DecodePercent("%8E%91").utf8);
  EXPECT_FALSE(DecodePercent("%41bc").utf8);
}

TEST(DecodePercentText, CutEscapesGiveAnEmptyText) {
  EXPECT_EQ(DecodePercentText("abc%4"), "");
  EXPECT_EQ(DecodePercentText("abc%"), "");
  EXPECT_EQ(DecodePercentText("abc%E3%81"), "");
  EXPECT_EQ(DecodePercentText("abc%E3"), "");
  EXPECT_EQ(DecodePercentText("abc%E8%B3"), "");
  EXPECT_EQ(DecodePercentText("abc%E3%81%8"), "");
  // A CP932 lead byte without its trail byte.
  EXPECT_EQ(DecodePercentText("%82abc"), "");
  EXPECT_EQ(DecodePercentText("%82%zz"), "");
}

TEST(DecodePercentText, APercentThatBeginsNoEscapeStandsForItself) {
  EXPECT_EQ(DecodePercentText("100%zz"), "100%zz");
  EXPECT_EQ(DecodePercentText("a%2Gb%41"), "a%2GbA");
}

TEST(PercentEncoding, AddressesAndQueryValues) {
  EXPECT_EQ(EncodeAddressBytes("https://x/%E8%B3%87.pdf?a=1&b=2#p"), "https://x/%E8%B3%87.pdf?a=1&b=2#p");
  EXPECT_EQ(EncodeAddressBytes("https://x/資料 1.pdf"), "https://x/%E8%B3%87%E6%96%99%201.pdf");
  EXPECT_EQ(EncodeAddressBytes("https://x/100%.pdf"), "https://x/100%25.pdf");
  EXPECT_EQ(EncodeAddressBytes("https://x/a\"<b>|"), "https://x/a%22%3Cb%3E%7C");
  EXPECT_EQ(EncodeQueryValue("a b&c#d+e%f~"), "a%20b%26c%23d%2Be%25f~");
  EXPECT_EQ(DecodePercentBytes("%E8%B3%87%zz%4"), "\xE8\xB3\x87%zz%4");
}

TEST(ExtractPdfUrl, RedirectAddressesPlainAddressesAndNone) {
  EXPECT_EQ(
      ExtractPdfUrl("https://www.google.com/url?sa=t&url=https%3A%2F%2Fexample.com%2Fdocs%2Freport.pdf&usg=AO", "PDF"),
      "https://example.com/docs/report.pdf");
  EXPECT_EQ(ExtractPdfUrl("https://example.com/a/Report.PDF?download=1#page=2", "PDF"),
            "https://example.com/a/Report.PDF");
  EXPECT_EQ(ExtractPdfUrl("HTTP://EXAMPLE.COM/jump?to=http://files.example/a.Pdf", "PDF"),
            "http://files.example/a.Pdf");
  EXPECT_EQ(ExtractPdfUrl("https://example.com/get?id=5", "PDF"), "");
  EXPECT_EQ(ExtractPdfUrl("/local/report.pdf", "PDF"), "");  // no web address
  // The inner address decoded; its file name in UTF-8 escapes becomes CP932.
  EXPECT_EQ(ExtractPdfUrl("https://r.example/?u=https%3A%2F%2Fs.example%2F%E8%B3%87%E6%96%99.pdf&x=1", "PDF"),
            J("https://s.example/資料.pdf"));
}

TEST(ExtractPdfUrl, APercentThatDecodesToItselfEndsTheSearch) {
  EXPECT_EQ(ExtractPdfUrl("https://x/100%zz.pdf?x=1", "PDF"), "https://x/100%zz.pdf");
}

TEST(ExtractPdfAddress, KeepsTheBytesTheServerKnows) {
  const std::string redirect = "https://r.example/?u=https%3A%2F%2Fs.example%2F";
  EXPECT_EQ(ExtractPdfAddress(redirect + "%E8%B3%87%E6%96%99.pdf&x=1", "PDF"),
            "https://s.example/%E8%B3%87%E6%96%99.pdf");
  // An old site's CP932 escapes stay CP932 escapes.
  EXPECT_EQ(ExtractPdfAddress(redirect + "%8E%91%97%BF.pdf", "PDF"), "https://s.example/%8E%91%97%BF.pdf");
  // A character without a CP932 form is not lost on the way.
  EXPECT_EQ(ExtractPdfAddress(redirect + "caf%C3%A9.pdf", "PDF"), "https://s.example/caf%C3%A9.pdf");
  EXPECT_EQ(ExtractPdfUrl(redirect + "caf%C3%A9.pdf", "PDF"), "https://s.example/caf .pdf");
  EXPECT_EQ(ExtractPdfAddress("https://example.com/get?id=5", "PDF"), "");
}

TEST(DragData, UriListsAndMozillaUrls) {
  EXPECT_EQ(ParseUriList("# dragged\r\nhttps://a.example/b.pdf\r\n\r\nfile:///tmp/c.pdf\r\n"),
            (std::vector<std::string>{"https://a.example/b.pdf", "file:///tmp/c.pdf"}));
  EXPECT_EQ(MozUrlAddress("https://a.example/b.pdf\nThe title"), "https://a.example/b.pdf");
  EXPECT_EQ(LocalFileUrlPath("file:///home/u/%E8%B3%87%E6%96%99.pdf"), "/home/u/資料.pdf");
  EXPECT_EQ(LocalFileUrlPath("file://localhost/tmp/a%20b.pdf"), "/tmp/a b.pdf");
  EXPECT_EQ(LocalFileUrlPath("file://server/share/a.pdf"), "");
  EXPECT_EQ(LocalFileUrlPath("https://a.example/b.pdf"), "");
}

TEST(DecideDroppedLink, FilesAreNotLinks) {
  DroppedLink drop = DecideDroppedLink({"file:///tmp/a.pdf", "https://a.example/b.pdf", "file:///tmp/c.txt"});
  EXPECT_EQ(drop.kind, DropKind::Files);
  EXPECT_EQ(drop.files, (std::vector<std::string>{"/tmp/a.pdf", "/tmp/c.txt"}));
  EXPECT_EQ(DecideDroppedLink({}).kind, DropKind::None);
  EXPECT_EQ(DecideDroppedLink({"mailto:a@example.com"}).kind, DropKind::None);
}

TEST(DecideDroppedLink, APdfAddressInAnyLetterCaseIsTakenAsItIs) {
  DroppedLink drop = DecideDroppedLink({"https://example.com/Files/%E8%B3%87%E6%96%99.PDF"});
  ASSERT_EQ(drop.kind, DropKind::Link);
  EXPECT_EQ(drop.fetchUrl, "https://example.com/Files/%E8%B3%87%E6%96%99.PDF");
  EXPECT_EQ(drop.address, drop.fetchUrl);
  EXPECT_EQ(drop.fileName, J("資料.PDF"));
  EXPECT_TRUE(drop.decodedFromUtf8);

  drop = DecideDroppedLink({"http://old.example/pub/%8E%91%97%BF.pdf"});
  ASSERT_EQ(drop.kind, DropKind::Link);
  EXPECT_EQ(drop.fetchUrl, "http://old.example/pub/%8E%91%97%BF.pdf");  // as dropped
  EXPECT_EQ(drop.fileName, J("資料.pdf"));
  EXPECT_FALSE(drop.decodedFromUtf8);

  // A browser may give the address with its characters unescaped.
  drop = DecideDroppedLink({"  https://example.com/資料 2.pdf\r\n"});
  ASSERT_EQ(drop.kind, DropKind::Link);
  EXPECT_EQ(drop.fetchUrl, "https://example.com/%E8%B3%87%E6%96%99%202.pdf");
  EXPECT_EQ(drop.fileName, J("資料 2.pdf"));
}

TEST(DecideDroppedLink, RedirectsAreUnwrappedAndOtherLinksRefused) {
  DroppedLink drop = DecideDroppedLink(
      {"https://www.google.com/url?q=https%3A%2F%2Fs.example%2Fdocs%2F%E8%B3%87%E6%96%99.pdf&sa=U&ved=2a"});
  ASSERT_EQ(drop.kind, DropKind::Link);
  EXPECT_EQ(drop.fetchUrl, "https://s.example/docs/%E8%B3%87%E6%96%99.pdf");
  EXPECT_EQ(drop.fileName, J("資料.pdf"));

  drop = DecideDroppedLink({"https://example.com/report.pdf#page=3"});
  ASSERT_EQ(drop.kind, DropKind::Link);
  EXPECT_EQ(drop.fetchUrl, "https://example.com/report.pdf");
  EXPECT_EQ(drop.fileName, "report.pdf");

  EXPECT_EQ(DecideDroppedLink({"https://example.com/get?id=5"}).kind, DropKind::NotPdf);
  EXPECT_EQ(DecideDroppedLink({"https://r.example/url?q=https%3A%2F%2Fs.example%2Fpage.html"}).kind, DropKind::NotPdf);
}

TEST(DroppedLinkProperties, ArbitraryAddressesAreReadSafely) {
  // Texts built from the pieces the rules look at; run under the sanitizers in CI.
  const std::vector<std::string> pieces = {"%",        "%E3", "%8",  "%82", "%A0",  "%E8",  "%B3", "%F0",
                                           "%9F",      "%zz", "%2F", "%3A", ".pdf", ".PDF", "/",   "http://",
                                           "HTTPS://", "a",   "?",   "#",   "\xE8", "\x81"};
  std::mt19937 random(15);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 12);
    for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
    const PercentDecoded decoded = DecodePercent(text);
    ASSERT_LE(decoded.text.size(), text.size()) << text;
    const std::string address = ExtractPdfAddress(text, "PDF");
    if (!address.empty()) {
      for (char c : address) ASSERT_TRUE(c > 0x20 && c < 0x7F) << text;
      ASSERT_TRUE(address.ends_with(".pdf") || address.ends_with(".PDF")) << text;
    }
    ExtractPdfUrl(text, "PDF");
    const DroppedLink drop = DecideDroppedLink({text});
    if (drop.kind == DropKind::Link) {
      for (char c : drop.fetchUrl) ASSERT_TRUE(c > 0x20 && c < 0x7F) << text;
    }
  }
}

}  // namespace
}  // namespace folidex
