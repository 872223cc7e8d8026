#include "dialogs/CTextDlg.h"

#include <QAction>
#include <QCheckBox>
#include <QFontComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/Prompter.h"
#include "common/Settings.h"
#include "common/qt/QtText.h"
#include "dialogs/BodyTextEdit.h"
#include "dialogs/TextSearch.h"
#include "dialogs/qt/BodyTextView.h"
#include "dialogs/qt/DialogIcons.h"
#include "list/ListRows.h"
#include "store/Store.h"

namespace folidex {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

QToolButton* ImageButton(QWidget* parent, const char* name, const QIcon& icon, const char* tip) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setIcon(icon);
  button->setIconSize(QSize(20, 20));
  button->setToolTip(U(tip));
  button->setAccessibleName(U(tip));  // a picture alone names nothing for a screen reader
  button->setAutoRaise(false);
  return button;
}

std::u16string_view Units(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

}  // namespace

CTextDlg::CTextDlg(Store& store, Prompter& prompter, Settings& settings, ListRows& list, std::string serial,
                   QWidget* parent)
    : QDialog(parent),
      store_(store),
      prompter_(prompter),
      settings_(settings),
      list_(list),
      serial_(std::move(serial)) {
  setObjectName(QStringLiteral("CTextDlg"));
  setWindowTitle(U("データのテキスト"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);

  auto* termLabel = new QLabel(U("検索語句："), this);
  term_ = new QLineEdit(this);
  term_->setObjectName(QStringLiteral("IDC_EDIT_1000"));
  term_->setToolTip(U("検索語句を入力します"));
  term_->setMinimumWidth(160);
  termLabel->setBuddy(term_);
  QToolButton* backward =
      ImageButton(this, "IDC_BUTTON_1001", SearchIcon(false), "現在のカーソル位置から前方向へ検索します");
  QToolButton* forward =
      ImageButton(this, "IDC_BUTTON_1002", SearchIcon(true), "現在のカーソル位置から後方向へ検索します");
  wholeWord_ = new QCheckBox(U("単語単位(&W)"), this);
  wholeWord_->setObjectName(QStringLiteral("IDC_CHECK_1012"));
  wholeWord_->setToolTip(
      U("チェックがあると単語の一部分に検索文字列を含む場合はヒットしません\n※ "
        "日本語のときは、チェックがあるとヒットしないことがあります"));
  fonts_ = new QFontComboBox(this);
  fonts_->setObjectName(QStringLiteral("IDC_COMBO_1009"));
  fonts_->setFontFilters(QFontComboBox::AllFonts);
  fonts_->setToolTip(U("フォントを選択して変更します"));
  fonts_->setMaximumWidth(220);
  fonts_->setAccessibleName(U("フォント"));
  fonts_->setAccessibleDescription(fonts_->toolTip());
  QToolButton* smaller = ImageButton(this, "IDC_BUTTON_1003", TextSizeIcon(false),
                                     "文字の大きさを小さくします\n(Ctrl+マウスホィールを手前に回転)");
  QToolButton* larger = ImageButton(this, "IDC_BUTTON_1006", TextSizeIcon(true),
                                    "文字の大きさを大きくします\n(Ctrl+マウスホィールを前方へ回転)");
  auto* save = new QPushButton(U("保存して終了(&H)"), this);
  save->setObjectName(QStringLiteral("IDOK"));
  save->setToolTip(U("現在の内容を保存して終了します"));
  save->setAutoDefault(false);
  auto* cancel = new QPushButton(U("中止(&C)"), this);
  cancel->setObjectName(QStringLiteral("IDCANCEL"));
  cancel->setToolTip(U("保存しないで終了します"));
  cancel->setAutoDefault(false);

  text_ = new BodyTextView(this);
  text_->setContextMenuPolicy(Qt::CustomContextMenu);
  text_->setAccessibleName(U("データのテキスト"));

  // Two rows above the text: the search, then the font and the buttons that close.
  auto* search = new QHBoxLayout;
  search->setSpacing(4);
  search->addWidget(termLabel);
  search->addWidget(term_, 1);
  search->addWidget(backward);
  search->addWidget(forward);
  search->addSpacing(8);
  search->addWidget(wholeWord_);
  auto* view = new QHBoxLayout;
  view->setSpacing(4);
  view->addWidget(fonts_);
  view->addWidget(smaller);
  view->addWidget(larger);
  view->addStretch(1);
  view->addWidget(save);
  view->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 2);
  layout->setSpacing(4);
  layout->addLayout(search);
  layout->addLayout(view);
  layout->addWidget(text_, 1);

  // The font of Last/FontName at 10 points (a font that is not installed is kept as the
  // setting's name; Qt shows its nearest match).
  const QString face = ToQString(settings_.GetText(setting::FontName));
  fonts_->setCurrentFont(QFont(face));
  text_->SetFace(face);
  text_->SetBodyText(ToQString(store_.WorkingRecord()[FieldTag::TX]));

  searchTerm_ = settings_.GetText(setting::SearchText);
  term_->setText(ToQString(searchTerm_));
  wholeWord_->setChecked(settings_.GetInt(setting::SearchTango) != 0);

  const DialogPlacement placement = ReadTextDlgPlacement(settings_);
  QRect rect(static_cast<int>(placement.x), static_cast<int>(placement.y), static_cast<int>(placement.width),
             static_cast<int>(placement.height));
  // The first time (no place stored yet) over the middle of the window that opened it, not in
  // the screen's corner.
  if (!settings_.Stored(setting::TextDlgX) && parentWidget())
    rect.moveCenter(parentWidget()->window()->frameGeometry().center());
  // A place on no screen (another monitor once, say) is moved onto the primary one.
  if (!QGuiApplication::screenAt(rect.topLeft()) && QGuiApplication::primaryScreen())
    rect.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
  setGeometry(rect);
  if (placement.maximised) setWindowState(windowState() | Qt::WindowMaximized);

  connect(backward, &QToolButton::clicked, this, &CTextDlg::OnSearchBackward);
  connect(forward, &QToolButton::clicked, this, &CTextDlg::OnSearchForward);
  connect(term_, &QLineEdit::returnPressed, this, &CTextDlg::OnSearchForward);
  connect(wholeWord_, &QCheckBox::clicked, this,
          [this](bool checked) { settings_.SetInt(setting::SearchTango, checked ? 1 : 0); });
  connect(fonts_, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
    settings_.SetText(setting::FontName, ToCp932(font.family()));
    text_->SetFace(font.family());
  });
  connect(smaller, &QToolButton::clicked, this, [this] { text_->ZoomStep(-1); });
  connect(larger, &QToolButton::clicked, this, [this] { text_->ZoomStep(+1); });
  connect(save, &QPushButton::clicked, this, &CTextDlg::OnSaveAndClose);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(text_, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    QMenu* menu = BuildContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(text_->viewport()->mapToGlobal(position));
  });
  text_->setFocus();
}

QString CTextDlg::TakeSearchTerm() {
  const QString term = term_->text();
  if (term.isEmpty()) {
    prompter_.Information(Msg::SearchTermMissing);
    return {};
  }
  const std::string cp932 = ToCp932(term);
  if (cp932 != searchTerm_) {
    searchTerm_ = cp932;
    settings_.SetText(setting::SearchText, cp932);
  }
  return term;
}

void CTextDlg::OnSearchBackward() {
  const QString term = TakeSearchTerm();
  if (term.isEmpty()) return;
  const QString& text = text_->JoinedText();
  const auto [start, end] = text_->JoinedSelection();
  if (std::optional<TextMatch> match =
          SearchTowardBeginning(Units(text), Units(term), static_cast<std::size_t>(start), wholeWord_->isChecked()))
    text_->SelectJoined(static_cast<qsizetype>(match->start), static_cast<qsizetype>(match->length));
}

void CTextDlg::OnSearchForward() {
  const QString term = TakeSearchTerm();
  if (term.isEmpty()) return;
  const QString& text = text_->JoinedText();
  const auto [start, end] = text_->JoinedSelection();
  if (std::optional<TextMatch> match =
          SearchTowardEnd(Units(text), Units(term), static_cast<std::size_t>(end), wholeWord_->isChecked()))
    text_->SelectJoined(static_cast<qsizetype>(match->start), static_cast<qsizetype>(match->length));
}

void CTextDlg::ShowPlace(const QString& term, std::optional<Span> where) {
  if (!term.isEmpty()) term_->setText(term);
  if (!where) return;
  // The shown text is the stored one: its UTF-16 offsets are those of the bytes before.
  const std::string& stored = store_.WorkingRecord()[FieldTag::TX];
  const qsizetype start = ToQString(stored.substr(0, where->begin)).size();
  const qsizetype length = ToQString(stored.substr(where->begin, where->end - where->begin)).size();
  text_->SelectJoined(start, length);
}

void CTextDlg::OnSaveAndClose() {
  if (prompter_.AskYesNo(Msg::SaveTextQuestion) != Answer::Yes) return;
  std::optional<std::string> size = SaveBodyText(store_, prompter_, serial_, ToCp932(text_->JoinedText()));
  if (!size) return;  // the message is shown; the text stays for another try
  ShowTextSize(list_, serial_, *size);
  accept();
}

QMenu* CTextDlg::BuildContextMenu() {
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("TextMenu"));
  const bool selected = text_->textCursor().hasSelection();
  QAction* term = menu->addAction(U("検索語句にする(&S)"), this, &CTextDlg::UseAsSearchTerm);
  term->setEnabled(selected);
  menu->addSeparator();
  QAction* paste = menu->addAction(U("貼り付け(&P)\tCtrl+V"), text_, &QPlainTextEdit::paste);
  paste->setEnabled(text_->canPaste());
  QAction* copy = menu->addAction(U("コピー(&C)\tCtrl+C"), text_, &QPlainTextEdit::copy);
  copy->setEnabled(selected);
  menu->addSeparator();
  menu->addAction(U("すべて選択(&A)\tCtrl+A"), text_, &QPlainTextEdit::selectAll);
  return menu;
}

void CTextDlg::UseAsSearchTerm() {
  // Through the clipboard, as typed in: the term becomes searchTerm at the next search.
  text_->copy();
  term_->clear();
  term_->paste();
}

void CTextDlg::done(int result) {
  DialogPlacement placement;
  const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
  placement.x = normal.x();
  placement.y = normal.y();
  placement.width = normal.width();
  placement.height = normal.height();
  placement.maximised = isMaximized();
  WriteTextDlgPlacement(settings_, placement);
  QDialog::done(result);
}

}  // namespace folidex
