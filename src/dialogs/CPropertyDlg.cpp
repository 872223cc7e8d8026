#include "dialogs/CPropertyDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <limits>

#include "common/Cp932.h"
#include "common/DesktopOpener.h"
#include "common/HtmlArea.h"
#include "common/qt/QtText.h"
#include "dialogs/qt/DialogIcons.h"
#include "list/ListColumn.h"

namespace folidex {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

constexpr int kSerial = ColumnIndex(ListColumn::SerialNo);
constexpr int kStatus = ColumnIndex(ListColumn::Status);
constexpr int kLink = ColumnIndex(ListColumn::Link);
constexpr int kSource = ColumnIndex(ListColumn::Source);

// The labels of columns 1..15 (control 4399 + column).
constexpr const char* kLabels[kLastShownColumn] = {
    "Serial No :",    "状態 :",           "タイトル :", "作成者 :",   "サブタイトル :",
    "キーワード :",   "作成日時 :",       "更新日時 :", "Link :",     "ファイル名 :",
    "サイズ(Byte) :", "テキスト(Byte) :", "作成日時 :", "取得日時 :", "取得先 :"};

bool IsStatic(int column) {
  return column == kSerial || column == kStatus || column == kLink || column == ColumnIndex(ListColumn::FileSize) ||
         column == ColumnIndex(ListColumn::TextSize);
}

QLabel* Label(QWidget* parent, const char* text) {
  auto* label = new QLabel(U(text), parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

QLabel* Note(QWidget* parent, const char* text) {
  auto* note = new QLabel(U(text), parent);
  note->setStyleSheet(QStringLiteral("color: #505050;"));
  return note;
}

// A value shown read-only but selectable for copying.
QLabel* StaticValue(QWidget* parent, int control) {
  auto* value = new QLabel(parent);
  value->setObjectName(QStringLiteral("IDC_STATIC_%1").arg(control));
  value->setTextFormat(Qt::PlainText);
  value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  value->setFrameShape(QFrame::StyledPanel);
  value->setFrameShadow(QFrame::Sunken);
  value->setMinimumWidth(110);
  value->setContentsMargins(3, 1, 3, 1);
  return value;
}

QLineEdit* Edit(QWidget* parent, int control, bool readOnly) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QStringLiteral("IDC_EDIT_%1").arg(control));
  edit->setMinimumWidth(420);
  // No cut at QLineEdit's default 32767 characters: a long value shown whole is saved whole.
  edit->setMaxLength(std::numeric_limits<int>::max());
  if (readOnly) {
    edit->setReadOnly(true);
    QPalette colours = edit->palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::Window));
    edit->setPalette(colours);
  }
  return edit;
}

QToolButton* ImageButton(QWidget* parent, int control, const QIcon& icon) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QStringLiteral("IDC_BUTTON_%1").arg(control));
  button->setIcon(icon);
  button->setIconSize(QSize(18, 18));
  return button;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text) {
  auto* button = new QPushButton(U(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

CPropertyDlg::CPropertyDlg(Store& store, Prompter& prompter, ListRows& list, int row, DesktopOpener& opener,
                           HtmlArea* html, QWidget* parent)
    : QDialog(parent),
      prompter_(prompter),
      opener_(opener),
      html_(html),
      editor_(std::make_unique<PropertyEditor>(store, prompter, list, row)) {
  setObjectName(QStringLiteral("CPropertyDlg"));
  setWindowTitle(U("データのプロパティ"));

  for (int column = kFirstShownColumn; column <= kLastShownColumn; ++column) {
    const int control = 4399 + column;
    const bool editable = column >= kFirstPropertyColumn && column < kFirstPropertyColumn + kPropertyFieldCount;
    QWidget* value = IsStatic(column) ? static_cast<QWidget*>(StaticValue(this, control))
                                      : static_cast<QWidget*>(Edit(this, control, !editable));
    values_[column - kFirstShownColumn] = value;
    if (editable) fields_[column - kFirstPropertyColumn] = static_cast<QLineEdit*>(value);
  }
  auto labelFor = [this](int column) {
    QLabel* label = Label(this, kLabels[column - kFirstShownColumn]);
    label->setBuddy(Value(column));
    return label;
  };

  // Above both groups: serial number, status and the buttons that leave or step.
  auto* top = new QGridLayout;
  top->addWidget(labelFor(kSerial), 0, 0);
  top->addWidget(Value(kSerial), 0, 1);
  top->addWidget(labelFor(kStatus), 1, 0);
  auto* status = new QHBoxLayout;
  status->addWidget(Value(kStatus));
  status->addWidget(Note(this, "( PDFまでのパスが有効な時は○、無効な時は× )"));
  status->addStretch(1);
  top->addLayout(status, 1, 1);
  top->setColumnStretch(2, 1);
  previous_ = Button(this, "IDC_BUTTON_1010", "前のデータ(&P)");
  next_ = Button(this, "IDC_BUTTON_1011", "次のデータ(&N)");
  QPushButton* ok = Button(this, "IDOK", "保存して終了(&S)");
  QPushButton* cancel = Button(this, "IDCANCEL", "中止(&C)");
  auto* leave = new QGridLayout;
  leave->addWidget(previous_, 0, 0);
  leave->addWidget(next_, 0, 1);
  leave->addWidget(ok, 1, 0);
  leave->addWidget(cancel, 1, 1);
  top->addLayout(leave, 0, 3, 2, 1);

  // 【PDF内情報】: the six editable fields; paste and undo beside title and author.
  auto* inner = new QGroupBox(U("【PDF内情報】"), this);
  auto* innerGrid = new QGridLayout(inner);
  for (int i = 0; i < kPropertyFieldCount; ++i) {
    const int column = kFirstPropertyColumn + i;
    innerGrid->addWidget(labelFor(column), i, 0);
    innerGrid->addWidget(Value(column), i, 1);
    if (i < 2) {
      QToolButton* paste = ImageButton(inner, 1006 + i, PasteIcon());
      paste->setToolTip(ToQString(MessageText(Msg::CopyFromClipboard)));
      paste->setAccessibleName(paste->toolTip());
      undo_[i] = ImageButton(inner, 1008 + i, UndoIcon());
      undo_[i]->setToolTip(U("元に戻す"));
      undo_[i]->setAccessibleName(undo_[i]->toolTip());
      undo_[i]->setEnabled(false);
      innerGrid->addWidget(paste, i, 2);
      innerGrid->addWidget(undo_[i], i, 3);
      connect(paste, &QToolButton::clicked, this, [this, i] { OnPaste(i); });
      QLineEdit* field = fields_[i];
      connect(undo_[i], &QToolButton::clicked, field, &QLineEdit::undo);
    }
  }
  QPushButton* update = Button(inner, "IDC_BUTTON_1004", "PDF内情報を更新(&U)");
  auto* innerFoot = new QHBoxLayout;
  innerFoot->addWidget(Note(inner, "※ DBの索引情報を修正します。\n※ PDF本体は修正されません。"));
  innerFoot->addStretch(1);
  innerFoot->addWidget(update, 0, Qt::AlignBottom);
  innerGrid->addLayout(innerFoot, kPropertyFieldCount, 1, 1, 3);
  innerGrid->setColumnStretch(1, 1);

  // 【PDF情報】: the values the dialog does not change.
  auto* outer = new QGroupBox(U("【PDF情報】"), this);
  auto* outerGrid = new QGridLayout(outer);
  int line = 0;
  for (int column = kLink; column <= kSource; ++column, ++line) {
    outerGrid->addWidget(labelFor(column), line, 0);
    if (column == kLink) {
      auto* link = new QHBoxLayout;
      link->addWidget(Value(column));
      link->addWidget(Note(outer, "( I - DB取り込み、O - DBの外にあり )"));
      link->addStretch(1);
      outerGrid->addLayout(link, line, 1);
    } else if (IsStatic(column)) {
      auto* size = new QHBoxLayout;
      size->addWidget(Value(column));
      size->addStretch(1);
      outerGrid->addLayout(size, line, 1);
    } else {
      outerGrid->addWidget(Value(column), line, 1);
    }
  }
  folder_ = Button(outer, "IDC_BUTTON_1001", "PDFの保存されているフォルダを開く(&F)");
  source_ = Button(outer, "IDC_BUTTON_1002", "取得先のURLをHTMLエリアに表示(&G)");
  auto* outerFoot = new QHBoxLayout;
  outerFoot->addStretch(1);
  outerFoot->addWidget(folder_);
  outerFoot->addWidget(source_);
  outerGrid->addLayout(outerFoot, line, 1);
  outerGrid->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(inner);
  layout->addWidget(outer);

  connect(ok, &QPushButton::clicked, this, &CPropertyDlg::OnSaveAndClose);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(update, &QPushButton::clicked, this, &CPropertyDlg::OnUpdate);
  connect(previous_, &QPushButton::clicked, this, &CPropertyDlg::OnPrevious);
  connect(next_, &QPushButton::clicked, this, &CPropertyDlg::OnNext);
  connect(folder_, &QPushButton::clicked, this, &CPropertyDlg::OnOpenFolder);
  connect(source_, &QPushButton::clicked, this, &CPropertyDlg::OnShowSource);
  Fill();
  fields_[0]->setFocus();
}

CPropertyDlg::~CPropertyDlg() = default;

void CPropertyDlg::Fill() {
  const PropertyEditor& editor = *editor_;
  for (int column = kFirstShownColumn; column <= kLastShownColumn; ++column) {
    const QString text = ToQString(editor.Shown(column));
    QWidget* value = Value(column);
    if (auto* label = qobject_cast<QLabel*>(value)) {
      label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(value)) {
      edit->setText(text);  // a new row starts a new undo history
      edit->setCursorPosition(0);
    }
  }
  // setText started a new undo history for each field.
  for (QToolButton* undo : undo_) undo->setEnabled(false);
  previous_->setEnabled(editor.CanStepPrevious());
  next_->setEnabled(editor.CanStepNext());
  folder_->setEnabled(editor.CanOpenFolder());
  source_->setEnabled(editor.CanShowSource());
}

PropertyTexts CPropertyDlg::Current() const {
  PropertyTexts current;
  for (int i = 0; i < kPropertyFieldCount; ++i) {
    const QString text = fields_[i]->text();
    // A value the user left alone keeps its bytes, even those without a UTF-16 round trip.
    if (text == ToQString(editor_->Stored()[i]))
      current[i] = editor_->Stored()[i];
    else if (text == ToQString(editor_->ShownInfo()[i]))
      current[i] = editor_->ShownInfo()[i];
    else
      current[i] = ToCp932(text);
  }
  return current;
}

void CPropertyDlg::OnSaveAndClose() {
  const PropertyTexts current = Current();
  // A save that fails keeps the dialog open with the edits.
  if (editor_->Changed(current) && !editor_->Save(current)) return;
  accept();
}

void CPropertyDlg::OnUpdate() {
  if (editor_->Save(Current())) prompter_.Information(Msg::UpdateDone);
}

void CPropertyDlg::Step(int direction) {
  if (!editor_->Step(direction, Current())) return;
  Fill();
  if (rowShown_) rowShown_(editor_->Row());
}

void CPropertyDlg::OnPrevious() { Step(-1); }
void CPropertyDlg::OnNext() { Step(+1); }

void CPropertyDlg::OnOpenFolder() {
  if (editor_->PdfPath().empty()) return;
  OpenFolderInExplorer(opener_, prompter_, editor_->PdfPath());
}

void CPropertyDlg::OnShowSource() {
  const std::string& fg = editor_->Shown(kSource);
  if (!IsWebSource(fg) || !html_) return;
  html_->Navigate2(Cp932ToUtf8(fg));
}

void CPropertyDlg::OnPaste(int index) {
  const std::string text = RemovePastedSpaces(ToCp932(QApplication::clipboard()->text()));
  QLineEdit* field = fields_[index];
  // One undoable edit: everything selected, then replaced.
  field->setFocus();
  field->selectAll();
  field->insert(ToQString(text));
  undo_[index]->setEnabled(true);
}

}  // namespace folidex
