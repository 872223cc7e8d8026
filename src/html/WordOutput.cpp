#include "html/WordOutput.h"

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/OutputFile.h"

namespace folidex {
namespace {

constexpr std::string_view kUnknownDoc = "Unknown.doc";
constexpr std::size_t kMaxStemBytes = 200;

// Lone LF (and lone CR) line ends as CR LF, the form of the clipboard's plain text.
std::string ToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

}  // namespace

std::string StripFileNameChars(std::string_view text) {
  // The nine characters, removed one after the other in this order.
  static constexpr std::string_view kChars[] = {"\\", "/", ":", "*", "?", "\"", "<", ">", "|"};
  std::string result(text);
  for (std::string_view c : kChars) result = ReplaceAllCp932(result, c, "");
  return result;
}

std::string WordDocName(std::string_view address) {
  std::size_t slash = address.rfind('/');
  if (slash == std::string_view::npos) return std::string(kUnknownDoc);
  std::string_view stem = address.substr(slash + 1);
  if (std::size_t dot = stem.rfind('.'); dot != std::string_view::npos) stem = stem.substr(0, dot);
  std::string name;
  for (char c : StripFileNameChars(stem)) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) name += c;
  }
  if (name.size() > kMaxStemBytes) {
    std::size_t cut = 0;
    while (cut < name.size()) {
      std::size_t next = cut + Cp932CharLength(name, cut);
      if (next > kMaxStemBytes) break;
      cut = next;
    }
    name.resize(cut);
  }
  if (name.empty()) return std::string(kUnknownDoc);
  return name + ".doc";
}

std::string MakeUniqueDocName(const std::string& folder, const std::string& name) {
  if (!NameTaken(JoinPath(folder, name))) return name;
  std::string base = name.size() >= 4 ? name.substr(0, name.size() - 4) : name;
  for (int n = 0; n <= 9998; ++n) {
    std::string candidate = base + std::to_string(n) + ".doc";
    if (!NameTaken(JoinPath(folder, candidate))) return candidate;
  }
  return name;
}

std::string PrepareWordPlainText(std::string_view text) {
  std::string_view sample = text.substr(0, 1000);
  std::string squeezed;
  for (std::size_t i = 0; i < sample.size(); ++i) {
    if (sample[i] == ' ' && i + 1 < sample.size() && sample[i + 1] == ' ') {
      ++i;
      continue;
    }
    squeezed += sample[i];
  }
  long breaks = 0, spaces = 0;
  for (std::size_t i = 0; i < squeezed.size(); ++i) {
    if (squeezed[i] == ' ') ++spaces;
    if (squeezed[i] == '\r' && i + 1 < squeezed.size() && squeezed[i + 1] == '\n') {
      ++breaks;
      ++i;
    }
  }
  if (breaks <= spaces) return std::string(text);
  return ReplaceAllCp932(ReplaceAllCp932(text, "\r\n", " "), " . ", ".\r\n");
}

WordOutputResult RunWordOutput(const WordOutputRequest& request, const std::string& showFolder, Settings& settings,
                               Prompter& prompter, Progress& progress, WordProcessor& processor,
                               DesktopOpener& opener) {
  WordOutputResult result;
  const bool formatted = settings.GetInt(setting::OptWord) == 1;
  const bool show = settings.GetInt(setting::DspWord) != 0;
  const bool rich = formatted && !request.html.empty();
  if (!rich && request.text.empty()) return result;

  std::string folder = showFolder;
  if (!show) {
    std::string stored = settings.GetPath(setting::WordStorePath);
    if (stored.empty()) {
      // Saving needs a folder; without one the document would land in the root of the disk.
      prompter.Error(Msg::FolderRequired);
      return result;
    }
    folder = stored;
  }

  std::string document;
  WordProcessorStatus status;
  {
    // LibreOffice takes a few seconds: the wait cursor and a line in pane 120 say so.
    WaitCursor wait(progress);
    progress.SetPaneText(StatusPane::Url, MessageText(Msg::WordOutputRunning));
    progress.Repaint();
    if (rich) {
      status = processor.MakeWordDocument(WordInput::Html, request.html, document, result.detail);
    } else {
      std::string text = ToCrLf(request.text);
      if (!formatted) text = PrepareWordPlainText(text);
      status = processor.MakeWordDocument(WordInput::PlainText, Cp932ToUtf8(text), document, result.detail);
    }
  }
  if (status != WordProcessorStatus::Done) {
    prompter.Error(Msg::WordStartFailed);
    return result;
  }

  if (!EnsureFolders(folder)) {
    prompter.Error(Msg::OutputFileCreateFailed, FromNativePath(folder) + "\n");
    return result;
  }
  const std::string wanted = ToNativePath(WordDocName(request.address));
  std::string name;
  NewFileResult written = NewFileResult::Exists;
  // A name can be taken between the look and the write; then the next one is tried.
  for (int attempt = 0; attempt < 3 && written == NewFileResult::Exists; ++attempt) {
    name = MakeUniqueDocName(folder, wanted);
    result.path = NativePath(JoinPath(folder, name));
    written = WriteNewFile(result.path, document);
  }
  if (written != NewFileResult::Done) {
    // Nothing is overwritten: an existing document stays as it is.
    prompter.Error(written == NewFileResult::Exists ? Msg::FileExists : Msg::OutputFileCreateFailed,
                   FromNativePath(result.path) + "\n");
    result.path = NativePath();
    return result;
  }

  if (show) {
    result.outcome = OpenWrittenFile(opener, prompter, result.path, Msg::WordStartFailed) ? WordOutcome::Shown
                                                                                          : WordOutcome::LeftForUser;
    return result;
  }
  result.outcome = WordOutcome::Saved;
  if (prompter.AskYesNo(Msg::WordOutputDoneQuestion, Utf8ToCp932("ファイル名 : ") + FromNativePath(name) + "\n") ==
      Answer::Yes) {
    OpenFolderInExplorer(opener, prompter, result.path);
  }
  return result;
}

}  // namespace folidex
