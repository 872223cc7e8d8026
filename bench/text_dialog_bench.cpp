// The text dialog's text area with a record's body text of 1 MB and 5 MB (CP932 bytes, one
// line as stored): the time to show it (conversion, display blocks, layout of the visible part),
// to type a character in its middle and have it drawn, and to search the whole text (a term
// that is not there, so every character is compared; the second search wraps around); and the
// whole dialog's opening with such a text.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>
#include <QTextCursor>
#include <string>

#include "common/Cp932.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "common/qt/QtText.h"
#include "dialogs/CTextDlg.h"
#include "dialogs/TextSearch.h"
#include "dialogs/qt/BodyTextView.h"
#include "list/ListRows.h"
#include "store/Store.h"

using namespace folidex;

namespace {

// A body text of `bytes` CP932 bytes: Japanese sentences with some Latin words and numbers.
const std::string& BodyText(std::size_t bytes) {
  static std::string texts[2];
  std::string& text = texts[bytes > (2u << 20) ? 1 : 0];
  if (text.empty()) {
    const std::string units[] = {Utf8ToCp932("本報告書は令和二年度の会議資料をまとめたものである。"),
                                 Utf8ToCp932("予算の執行状況についてはPDF版の別表を参照されたい。"),
                                 Utf8ToCp932("調査の対象は全国の1,234事業所であり、回答率は87.5%であった。"),
                                 Utf8ToCp932("なお、数値は速報値であり、今後修正されることがある。")};
    for (std::size_t i = 0; text.size() < bytes; ++i) text += units[i % 4];
    text.resize(bytes);
  }
  return text;
}

std::size_t Bytes(const benchmark::State& state) { return static_cast<std::size_t>(state.range(0)) << 20; }

void BM_OpenText(benchmark::State& state) {
  const std::string& text = BodyText(Bytes(state));
  for (auto _ : state) {
    BodyTextView view;
    view.resize(640, 420);
    view.SetBodyText(ToQString(text));
    view.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(view.document()->blockCount());
  }
  state.SetLabel(std::to_string(Bytes(state) >> 20) + " MB");
}

class SilentPrompter : public Prompter {
 public:
  Answer Show(MessageKind, const std::string&) override { return Answer::Ok; }
};

// The whole dialog as the list opens it (the record already read into the working record):
// its controls with the font list, the text, and the first drawing.
void BM_OpenDialog(benchmark::State& state) {
  MemorySettings settings;
  SilentPrompter prompter;
  Store store(settings, prompter);
  ListRows list;
  store.WorkingRecord()[FieldTag::TX] = BodyText(Bytes(state));
  for (auto _ : state) {
    CTextDlg dialog(store, prompter, settings, list, "00000001");
    dialog.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(dialog.Text()->document()->blockCount());
  }
  state.SetLabel(std::to_string(Bytes(state) >> 20) + " MB");
}

void BM_TypeInTheMiddle(benchmark::State& state) {
  BodyTextView view;
  view.resize(640, 420);
  view.SetBodyText(ToQString(BodyText(Bytes(state))));
  view.show();
  QTextCursor middle = view.textCursor();
  middle.setPosition(view.document()->characterCount() / 2);
  view.setTextCursor(middle);
  QApplication::processEvents();
  for (auto _ : state) {
    QTest::keyClick(&view, Qt::Key_A);
    view.repaint();
  }
  state.SetLabel(std::to_string(Bytes(state) >> 20) + " MB, one key and a repaint");
}

void BM_SearchWholeText(benchmark::State& state) {
  BodyTextView view;
  view.SetBodyText(ToQString(BodyText(Bytes(state))));
  const QString term = QStringLiteral("存在しない語");
  const std::u16string_view units(reinterpret_cast<const char16_t*>(term.utf16()), term.size());
  for (auto _ : state) {
    // After an edit the joined text is rebuilt first, as at the first search after typing.
    view.textCursor().insertText(QStringLiteral("x"));
    const QString& text = view.JoinedText();
    const std::u16string_view all(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
    benchmark::DoNotOptimize(SearchTowardEnd(all, units, all.size() / 2, state.range(1) != 0));
  }
  state.SetLabel(std::to_string(Bytes(state) >> 20) + (state.range(1) ? " MB, whole words" : " MB"));
}

}  // namespace

BENCHMARK(BM_OpenText)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDialog)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeInTheMiddle)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchWholeText)->Args({1, 0})->Args({5, 0})->Args({5, 1})->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  // Without a display the widgets draw off screen.
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
