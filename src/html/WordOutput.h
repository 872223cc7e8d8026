#pragma once
// "Word 出力": the shown PDF's captured text as a Word 97 document (.doc), made by the
// WordProcessor port. With KanSet/DspWord 1 the document is opened in the desktop's word
// processor; with 0 it is saved into KanSet/WordStorePath under a name made from the address,
// and the user may have its folder shown. Last/OptWord chooses the formatted output (the
// viewer's rich copy) or the plain text, whose hard line breaks are undone first.

#include <string>
#include <string_view>

#include "common/DesktopOpener.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "html/WordProcessor.h"

namespace folidex {

// Removes every \ / : * ? " < > | from a CP932 text (as characters: the trail byte of a
// double-byte character such as 表 is never taken for a backslash).
std::string StripFileNameChars(std::string_view cp932);

// The document's file name (CP932) for the shown address (CP932): "Unknown.doc" when the
// address has no "/"; otherwise its last segment, cut before its last ".", stripped of the
// characters file names may not hold (and of control characters), + ".doc". A name that would
// be nothing but ".doc" is "Unknown.doc" too; a very long one is cut to 200 bytes first.
std::string WordDocName(std::string_view address);

// `name` (ending in ".doc") when nothing is at folder/name; otherwise the first free of
// base0.doc .. base9998.doc; when all are taken, `name` again (the save then refuses it).
// Native folder and name.
std::string MakeUniqueDocName(const std::string& folder, const std::string& name);

// The plain text's line-break rule. In the first 1000 bytes, with every pair of spaces removed
// (left to right, not overlapping), the line breaks (CR LF) and the spaces are counted; with
// more line breaks than spaces, every CR LF of the whole text becomes a space and then every
// " . " becomes ".\r\n" (a sentence end is a line end again). Otherwise the text is unchanged.
std::string PrepareWordPlainText(std::string_view cp932);

struct WordOutputRequest {
  std::string address;  // the shown PDF's address (CP932, as the HTML area reports it)
  std::string text;     // the captured text (CP932, the viewer's plain copy)
  std::string html;     // the viewer's rich copy (UTF-8 HTML); empty when it gave none
};

enum class WordOutcome {
  NotDone,      // nothing to output, no save folder (30028), or the word processor failed (30033)
  Shown,        // written into the show folder and opened on the desktop
  LeftForUser,  // written into the show folder, but nothing could open it (30033 shown)
  Saved,        // saved into WordStorePath (30037 asked)
};

struct WordOutputResult {
  WordOutcome outcome = WordOutcome::NotDone;
  NativePath path;     // the document written
  std::string detail;  // the word processor's own report when it failed
};

// Runs the output for a capture already made. `showFolder` (native) is where a document to be
// shown is written (the user's documents folder + "Folidex"; created when missing) — never the
// temporary folder, where a document the user edits and saves would vanish. Settings read:
// Last/OptWord, KanSet/DspWord, KanSet/WordStorePath.
//   formatted (OptWord 1): the rich copy; the plain copy unchanged when there is no rich copy
//   plain (OptWord 0):     PrepareWordPlainText of the plain copy
//   DspWord 0 with an empty WordStorePath: 30028 and nothing is made
//   word processor missing or failing: 30033
//   saved: "ファイル名 : " + name + "\n" + 30037; Yes shows the file in its folder (30048)
WordOutputResult RunWordOutput(const WordOutputRequest& request, const std::string& showFolder, Settings& settings,
                               Prompter& prompter, Progress& progress, WordProcessor& processor, DesktopOpener& opener);

}  // namespace folidex
