#include "app/CMyRibbonBar.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "app/ShellRules.h"
#include "common/HtmlArea.h"
#include "common/Messages.h"
#include "common/Settings.h"
#include "common/qt/QtText.h"
#include "list/CLeftView.h"

namespace folidex {
namespace {

const QString kHomeTab = QStringLiteral("ホーム  ( WClick , Ctrl+F1 )");
const QString kSearchTab = QStringLiteral("検索");
constexpr int kLargeIcon = 32;
constexpr int kSmallIcon = 16;

// Picks a full-colour freedesktop theme when the platform has not chosen one.
void ChooseIconTheme() {
  static bool chosen = false;
  if (chosen) return;
  chosen = true;
  const QString current = QIcon::themeName();
  if (!current.isEmpty() && current != QLatin1String("hicolor")) return;
  for (const QString& theme : {QStringLiteral("breeze"), QStringLiteral("Adwaita")}) {
    for (const QString& base : QIcon::themeSearchPaths()) {
      if (QFileInfo::exists(base + QLatin1Char('/') + theme + QStringLiteral("/index.theme"))) {
        QIcon::setThemeName(theme);
        return;
      }
    }
  }
}

// A two-line label for a large button: the space of "PDF 取得" breaks the line; a one-line
// label gets an empty second line so that the icons of a row stand level.
QString LargeLabelText(const QString& label) {
  int space = label.indexOf(QLatin1Char(' '));
  if (space > 0 && space < label.size() - 1) return label.left(space) + QLatin1Char('\n') + label.mid(space + 1);
  return label + QStringLiteral("\n ");
}

// Status-pane style tooltips: a short title line, then the description.
QString ResourceTooltip(Msg id) {
  QString text = QString::fromUtf8(MessageTextUtf8(id));
  int cut = text.lastIndexOf(QLatin1Char('\n'));
  if (cut < 0) return text;
  return text.mid(cut + 1) + QLatin1Char('\n') + text.left(cut);
}

}  // namespace

QIcon RibbonIcon(const char* themeName, QChar glyph, QColor color) {
  ChooseIconTheme();
  const QString name = QString::fromLatin1(themeName);
  if (!name.isEmpty() && QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  // Drawn here: a coloured tile with one character.
  QIcon icon;
  for (int size : {16, 32}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(color);
    painter.setPen(color.darker(140));
    painter.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size / 6.0, size / 6.0);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(size * 5 / 8);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QString(glyph));
    icon.addPixmap(pixmap);
  }
  return icon;
}

CMyRibbonBar::CMyRibbonBar(Services& services, QWidget* parent) : QWidget(parent), services_(services) {
  setObjectName(QStringLiteral("CMyRibbonBar"));
  flags_ = SearchFlags{false, false, false, false, false, false};
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setAutoFillBackground(true);
  setStyleSheet(QStringLiteral(
      "#RibbonPages { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfeff, stop:1 #dfe9f5);"
      "  border: 1px solid #9fb3cc; }"
      "QLabel[ribbonCaption=\"true\"] { color: #3b5a82; font-size: 11px; }"
      "QFrame[ribbonSeparator=\"true\"] { color: #b7c6da; }"
      "QToolButton[large=\"true\"] { padding: 2px 3px; }"
      "#ID_APP_MENU { background: #2b5797; color: white; font-weight: bold; padding: 3px 14px;"
      "  border: 1px solid #1e3f6f; border-radius: 2px; }"
      "#ID_APP_MENU::menu-indicator { image: none; }"));

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(2, 2, 2, 0);
  outer->setSpacing(0);

  // The row of the application button, the tabs and the buttons right of the tabs.
  auto* top = new QHBoxLayout;
  top->setSpacing(4);
  auto* appButton = new QToolButton(this);
  appButton->setObjectName(QStringLiteral("ID_APP_MENU"));
  appButton->setText(QStringLiteral("ファイル"));
  appButton->setPopupMode(QToolButton::InstantPopup);
  appMenu_ = new QMenu(appButton);
  appMenu_->setObjectName(QStringLiteral("ApplicationMenu"));
  appMenu_->setToolTipsVisible(true);
  struct MenuItem {
    const char* id;
    const char* label;
    const char* icon;
    Msg tooltip;  // Msg{}: none
  };
  for (const MenuItem& item : {MenuItem{"ID_KAN_SET", "環境設定(&K)", "configure", Msg::KanSetDescription},
                               MenuItem{"ID_APP_ABOUT", "バージョン情報(&A)", "help-about", Msg{}},
                               MenuItem{"ID_APP_EXIT", "終了(&X)", "application-exit", Msg::AppExitDescription}}) {
    if (QLatin1String(item.id) == QLatin1String("ID_APP_EXIT")) appMenu_->addSeparator();
    QAction* action =
        appMenu_->addAction(RibbonIcon(item.icon, QChar(u'F'), QColor(0x2b5797)), QString::fromUtf8(item.label));
    action->setObjectName(QString::fromLatin1(item.id));
    if (item.tooltip != Msg{}) action->setToolTip(ResourceTooltip(item.tooltip));
    const QString id = action->objectName();
    connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
  }
  appButton->setMenu(appMenu_);
  top->addWidget(appButton);

  tabs_ = new QTabBar(this);
  tabs_->setObjectName(QStringLiteral("RibbonTabs"));
  tabs_->setDrawBase(false);
  tabs_->setExpanding(false);
  tabs_->addTab(kHomeTab);
  tabs_->addTab(kSearchTab);
  top->addWidget(tabs_);
  top->addStretch(1);

  auto* showMenu = new QToolButton(this);
  Register(showMenu, "ID_SHOW_MENU");
  showMenu->setIcon(RibbonIcon("go-up", QChar(u'^'), QColor(0x5b7fa8)));
  showMenu->setAutoRaise(true);
  showMenu->setToolTip(ResourceTooltip(Msg::ShowMenuDescription));
  connect(showMenu, &QToolButton::clicked, this, [this] { emit commandTriggered(QStringLiteral("ID_SHOW_MENU")); });
  top->addWidget(showMenu);
  auto* help = SmallButton("ID_HELP", QStringLiteral("ヘルプ"), "help-contents", QChar(u'?'), QColor(0x2e8b57));
  help->setToolTip(ResourceTooltip(Msg::HelpDescription));
  top->addWidget(help);
  outer->addLayout(top);

  pages_ = new QStackedWidget(this);
  pages_->setObjectName(QStringLiteral("RibbonPages"));
  pages_->addWidget(BuildHomeTab());
  pages_->addWidget(BuildSearchTab());
  outer->addWidget(pages_);
  connect(tabs_, &QTabBar::currentChanged, pages_, &QStackedWidget::setCurrentIndex);
  connect(tabs_, &QTabBar::tabBarDoubleClicked, this, [this](int) { ToggleMinimized(); });

  auto* minimize = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1), this);
  minimize->setContext(Qt::WindowShortcut);
  connect(minimize, &QShortcut::activated, this, &CMyRibbonBar::ToggleMinimized);

  // The area menu, attached to ID_DSP_AREA by RestoreRibbonState.
  areaMenu_ = new QMenu(this);
  areaMenu_->setObjectName(QStringLiteral("AreaMenu"));
  struct AreaItem {
    const char* id;
    const char* label;
    int command;
  };
  for (const AreaItem& item :
       {AreaItem{"ID_AREA_EVEN", "均等表示", 311}, AreaItem{"ID_AREA_HTML", "ＨＴＭＬエリア", 32820},
        AreaItem{"ID_AREA_LIST", "リストエリア", 32821}}) {
    QAction* action = areaMenu_->addAction(QString::fromUtf8(item.label));
    action->setObjectName(QString::fromLatin1(item.id));
    action->setProperty("commandId", item.command);
    const QString id = action->objectName();
    connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
  }

  ShowFlags();
}

void CMyRibbonBar::Register(QWidget* widget, const char* id) {
  widget->setObjectName(QString::fromLatin1(id));
  widget->installEventFilter(this);
}

template <typename T>
T* CMyRibbonBar::Find(const char* id) const {
  return findChild<T*>(QString::fromLatin1(id));
}

QToolButton* CMyRibbonBar::LargeButton(const char* id, const QString& label, const char* icon, QChar glyph,
                                       QColor color) {
  auto* button = new QToolButton(this);
  Register(button, id);
  button->setProperty("large", true);
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setIconSize(QSize(kLargeIcon, kLargeIcon));
  button->setIcon(RibbonIcon(icon, glyph, color));
  button->setAutoRaise(true);
  button->setMinimumWidth(52);
  SetDisplayedLabel(button, label);
  const QString name = button->objectName();
  connect(button, &QToolButton::clicked, this, [this, name] { emit commandTriggered(name); });
  return button;
}

QToolButton* CMyRibbonBar::SmallButton(const char* id, const QString& label, const char* icon, QChar glyph,
                                       QColor color) {
  auto* button = new QToolButton(this);
  Register(button, id);
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setIconSize(QSize(kSmallIcon, kSmallIcon));
  button->setIcon(RibbonIcon(icon, glyph, color));
  button->setAutoRaise(true);
  button->setText(label);
  button->setProperty("label", label);
  const QString name = button->objectName();
  connect(button, &QToolButton::clicked, this, [this, name] { emit commandTriggered(name); });
  return button;
}

void CMyRibbonBar::SetDisplayedLabel(QToolButton* button, const QString& label) {
  button->setProperty("label", label);
  button->setText(LargeLabelText(label));
}

QLineEdit* CMyRibbonBar::Edit(const char* id, int width) {
  auto* edit = new QLineEdit(this);
  Register(edit, id);
  edit->setFixedWidth(width + width / 4);
  return edit;
}

QCheckBox* CMyRibbonBar::Check(const char* id, const QString& label) {
  auto* box = new QCheckBox(label, this);
  Register(box, id);
  box->setProperty("label", label);
  return box;
}

QLabel* CMyRibbonBar::Caption(const char* id, const QString& label) {
  auto* caption = new QLabel(label, this);
  Register(caption, id);
  caption->setProperty("label", label);
  return caption;
}

QWidget* CMyRibbonBar::Panel(const QString& caption, QBoxLayout* content, const QString& name) {
  auto* panel = new QWidget(this);
  panel->setObjectName(name);
  panel->setProperty("caption", caption);
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(4, 3, 4, 1);
  column->setSpacing(1);
  column->addLayout(content, 1);
  auto* label = new QLabel(caption, panel);
  label->setObjectName(name + QStringLiteral("Caption"));
  label->setProperty("ribbonCaption", true);
  label->setAlignment(Qt::AlignCenter);
  column->addWidget(label);
  return panel;
}

namespace {

QFrame* Separator(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::VLine);
  line->setProperty("ribbonSeparator", true);
  return line;
}

}  // namespace

QWidget* CMyRibbonBar::BuildHomeTab() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("HomeTab"));
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(2, 2, 2, 2);
  row->setSpacing(2);

  // HTMLエリア
  auto* html = new QHBoxLayout;
  html->setSpacing(1);
  html->addWidget(LargeButton("ID_NOW_DSP", QStringLiteral("HTML"), "text-html", QChar(u'H'), QColor(0xe07b00)));
  html->addWidget(
      LargeButton("ID_GET_PDF", QStringLiteral("PDF 取得"), "document-import", QChar(u'P'), QColor(0xc0392b)));
  html->addWidget(
      LargeButton("ID_GET_WORD", QStringLiteral("Word 出力"), "x-office-document", QChar(u'W'), QColor(0x2b5797)));
  html->addWidget(LargeButton("ID_OPT_WORD", QStringLiteral("書式付"), "text-html", QChar(u'T'), QColor(0x6a5acd)));
  auto* web = new QVBoxLayout;
  web->setSpacing(2);
  auto* webRow = new QHBoxLayout;
  webRow->setSpacing(2);
  webRow->addWidget(Edit("ID_GOKU", 120));
  webRow->addWidget(SmallButton("ID_BUTTON7", QStringLiteral("検索"), "edit-find", QChar(u'S'), QColor(0x2e8b57)));
  web->addLayout(webRow);
  auto* filters = new QHBoxLayout;
  filters->setSpacing(1);
  struct Filter {
    const char* id;
    const char* label;
    const char* icon;
  };
  int filter = 0;
  for (const Filter& f :
       {Filter{"ID_BUTTON8", "すべて", "globe"}, Filter{"ID_BUTTON9", "画像", "image-x-generic"},
        Filter{"ID_BUTTON10", "写真", "camera-photo"}, Filter{"ID_BUTTON11", "PDF", "application-pdf"}}) {
    QToolButton* button = SmallButton(f.id, QString::fromUtf8(f.label), f.icon, QChar(u'0' + filter), QColor(0x5b7fa8));
    button->setCheckable(true);
    filters->addWidget(button);
    ++filter;
  }
  web->addLayout(filters);
  web->addStretch(1);
  html->addLayout(web);
  row->addWidget(Panel(QStringLiteral("HTMLエリア"), html, QStringLiteral("PanelHtml")));
  row->addWidget(Separator(page));

  // 表示
  auto* display = new QHBoxLayout;
  display->setSpacing(1);
  QToolButton* dspArea =
      LargeButton("ID_DSP_AREA", QStringLiteral("エリア 切替"), "view-split-left-right", QChar(u'A'), QColor(0x008b8b));
  dspArea->setPopupMode(QToolButton::InstantPopup);
  display->addWidget(dspArea);
  display->addWidget(LargeButton("ID_CHANGE_AREA", QStringLiteral("エリア 交換"), "exchange-positions", QChar(u'X'),
                                 QColor(0x008b8b)));
  row->addWidget(Panel(QStringLiteral("表示"), display, QStringLiteral("PanelDisplay")));
  row->addWidget(Separator(page));

  // リストエリア
  auto* list = new QHBoxLayout;
  list->setSpacing(1);
  list->addWidget(
      LargeButton("ID_COL_COLOR", QStringLiteral("列色 変更"), "format-fill-color", QChar(u'C'), QColor(0x8e44ad)));
  list->addWidget(
      LargeButton("ID_SORT_U", QStringLiteral("昇順 ソート"), "view-sort-ascending", QChar(u'U'), QColor(0x27ae60)));
  list->addWidget(
      LargeButton("ID_SORT_D", QStringLiteral("降順 ソート"), "view-sort-descending", QChar(u'D'), QColor(0x27ae60)));
  list->addWidget(LargeButton("ID_EXCEL_OUT3", QStringLiteral("Excel 出力"), "x-office-spreadsheet", QChar(u'E'),
                              QColor(0x1e7145)));
  auto* named = new QVBoxLayout;
  named->setSpacing(2);
  named->addWidget(Edit("ID_EDIT_NAME", 150));
  named->addWidget(SmallButton("IDC_SAVE_LIST", QStringLiteral("この名前でリストを保存"), "document-save", QChar(u'S'),
                               QColor(0x2b5797)));
  named->addStretch(1);
  list->addLayout(named);
  list->addWidget(
      LargeButton("IDC_LOAD_LIST", QStringLiteral("リスト 呼出し"), "document-open", QChar(u'L'), QColor(0x2b5797)));
  list->addWidget(
      LargeButton("IDC_LIST_KANRI", QStringLiteral("リスト 管理"), "view-list-details", QChar(u'K'), QColor(0x2b5797)));
  list->addWidget(
      LargeButton("ID_LIST_CLEAR", QStringLiteral("一覧表 クリア"), "edit-clear-list", QChar(u'C'), QColor(0xc0392b)));
  row->addWidget(Panel(QStringLiteral("リストエリア"), list, QStringLiteral("PanelList")));
  row->addStretch(1);
  return page;
}

QWidget* CMyRibbonBar::BuildSearchTab() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("SearchTab"));
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(2, 2, 2, 2);
  row->setSpacing(2);

  auto* content = new QHBoxLayout;
  content->setSpacing(6);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(2);
  grid->addWidget(Caption("ID_TITLE1", QStringLiteral("1.タ イ ト ル")), 0, 0);
  grid->addWidget(Caption("ID_TITLE2", QStringLiteral("2.作　成　者")), 1, 0);
  grid->addWidget(Caption("ID_TITLE3", QStringLiteral("3.サブタイトル")), 2, 0);
  grid->addWidget(Edit("ID_EDIT1", 118), 0, 1);
  grid->addWidget(Edit("ID_EDIT2", 118), 1, 1);
  grid->addWidget(Edit("ID_EDIT3", 118), 2, 1);
  grid->addWidget(Caption("ID_TITLE4", QStringLiteral("4.キーワード")), 0, 2);
  grid->addWidget(Caption("ID_TITLE5", QStringLiteral("5.P D F 本文")), 1, 2);
  grid->addWidget(Check("ID_ZENBUN", QStringLiteral("全文(1-5)")), 2, 2);
  grid->addWidget(Edit("ID_EDIT4", 118), 0, 3);
  grid->addWidget(Edit("ID_EDIT5", 118), 1, 3);
  grid->addWidget(Edit("ID_EDIT6", 118), 2, 3);

  auto* kind = new QHBoxLayout;
  kind->addWidget(Check("ID_CHK0", QString()));
  kind->addWidget(Caption("ID_MD_HANI", QStringLiteral("作成日の範囲")), 1);
  grid->addLayout(kind, 0, 4);
  auto* from = new QHBoxLayout;
  from->addWidget(Check("ID_CHK1", QString()));
  from->addWidget(new QLabel(QStringLiteral("(自)"), this));
  QLineEdit* date1 = Edit("ID_DATE1", 70);
  date1->setText(QStringLiteral("2010/12/01"));
  from->addWidget(date1, 1);
  grid->addLayout(from, 1, 4);
  auto* to = new QHBoxLayout;
  to->addWidget(Check("ID_CHK2", QString()));
  to->addWidget(new QLabel(QStringLiteral("(至)"), this));
  QLineEdit* date2 = Edit("ID_DATE2", 70);
  date2->setText(QStringLiteral("2010/12/01"));
  to->addWidget(date2, 1);
  grid->addLayout(to, 2, 4);

  grid->addWidget(Check("ID_SPACE_CUT", QStringLiteral("スペースを除去して検索する")), 0, 5);
  grid->addWidget(Check("ID_ADD_LIST", QStringLiteral("結果をリスト末尾に追加する")), 1, 5);
  progress_ = new QProgressBar(this);
  Register(progress_, "ID_PROGRESS1");
  progress_->setFixedWidth(200);
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  progress_->setMaximumHeight(14);
  grid->addWidget(progress_, 2, 5);
  content->addLayout(grid);
  content->addWidget(
      LargeButton("ID_DB_SEARCH", QStringLiteral("DB 検索"), "system-search", QChar(u'D'), QColor(0x2e8b57)));
  content->addWidget(
      LargeButton("ID_LIST_CLEAR", QStringLiteral("一覧表 クリア"), "edit-clear-list", QChar(u'C'), QColor(0xc0392b)));
  row->addWidget(Panel(QStringLiteral("データベース検索"), content, QStringLiteral("PanelDbSearch")));
  row->addStretch(1);

  struct Toggle {
    const char* id;
    SearchToggle toggle;
  };
  for (const Toggle& t :
       {Toggle{"ID_ZENBUN", SearchToggle::Zenbun}, Toggle{"ID_CHK0", SearchToggle::CreationDate},
        Toggle{"ID_CHK1", SearchToggle::DateFrom}, Toggle{"ID_CHK2", SearchToggle::DateTo},
        Toggle{"ID_SPACE_CUT", SearchToggle::SpaceCut}, Toggle{"ID_ADD_LIST", SearchToggle::AddList}}) {
    QCheckBox* box = page->findChild<QCheckBox*>(QString::fromLatin1(t.id));
    const SearchToggle toggle = t.toggle;
    connect(box, &QCheckBox::clicked, this, [this, toggle] { OnToggle(toggle); });
  }
  return page;
}

void CMyRibbonBar::OnToggle(SearchToggle toggle) {
  const char* dateId = toggle == SearchToggle::DateFrom ? "ID_DATE1"
                       : toggle == SearchToggle::DateTo ? "ID_DATE2"
                                                        : nullptr;
  QLineEdit* date = dateId ? Find<QLineEdit>(dateId) : nullptr;
  std::string dateText = date ? ToCp932(date->text()) : std::string();
  ToggleSearchFlag(flags_, toggle, services_.settings, services_.clock, date ? &dateText : nullptr);
  if (date && ToQString(dateText) != date->text()) date->setText(ToQString(dateText));
  ShowFlags();
  UpdateCommandStates();
}

void CMyRibbonBar::ShowFlags() {
  auto show = [this](const char* id, bool on) {
    if (auto* box = Find<QCheckBox>(id)) box->setChecked(on);
  };
  show("ID_ZENBUN", flags_.zenbun);
  show("ID_CHK0", flags_.onCreationDate);
  show("ID_CHK1", flags_.useDateFrom);
  show("ID_CHK2", flags_.useDateTo);
  show("ID_SPACE_CUT", flags_.spaceCut);
  show("ID_ADD_LIST", flags_.addList);
  if (auto* hani = Find<QLabel>("ID_MD_HANI")) {
    const QString caption = flags_.onCreationDate ? QStringLiteral("作成日の範囲") : QStringLiteral("取得日の範囲");
    hani->setText(caption);
    hani->setProperty("label", caption);
  }
}

bool CMyRibbonBar::RestoreRibbonState() {
  int home = -1;
  int search = -1;
  for (int i = 0; i < tabs_->count(); ++i) {
    // The first six bytes in CP932 are the three characters of "ホーム"; the first four "検索".
    if (home < 0 && tabs_->tabText(i).startsWith(QStringLiteral("ホーム"))) home = i;
    if (search < 0 && tabs_->tabText(i).startsWith(QStringLiteral("検索"))) search = i;
  }
  if (home < 0) return false;
  QWidget* homePage = pages_->widget(home);
  QWidget* htmlPanel = homePage->findChild<QWidget*>(QStringLiteral("PanelHtml"));
  if (!htmlPanel) return false;
  auto* nowDsp = Find<QToolButton>("ID_NOW_DSP");
  auto* optWord = Find<QToolButton>("ID_OPT_WORD");
  if (!nowDsp || !optWord || !htmlPanel->isAncestorOf(nowDsp) || !htmlPanel->isAncestorOf(optWord)) return false;
  ShowOptWord(services_.settings.GetInt(setting::OptWord));

  auto* goku = Find<QLineEdit>("ID_GOKU");
  if (!goku || !htmlPanel->isAncestorOf(goku)) return false;
  goku->setText(ToQString(services_.settings.GetText(setting::WebGoku)));

  auto* dspArea = Find<QToolButton>("ID_DSP_AREA");
  if (!dspArea) return false;
  dspArea->setMenu(areaMenu_);
  dspArea->setPopupMode(QToolButton::InstantPopup);

  if (!Find<QLineEdit>("ID_EDIT_NAME")) return false;

  if (search < 0 || !progress_) return false;
  progress_->setRange(0, 100);
  progress_->setValue(0);

  static const char* const kEdits[] = {"ID_EDIT1", "ID_EDIT2", "ID_EDIT3", "ID_EDIT4", "ID_EDIT5", "ID_EDIT6"};
  for (int i = 0; i < 6; ++i) {
    auto* edit = Find<QLineEdit>(kEdits[i]);
    if (!edit) return false;
    edit->setText(ToQString(services_.settings.GetText(setting::Goku(i))));
  }
  auto* hani = Find<QLabel>("ID_MD_HANI");
  auto* date1 = Find<QLineEdit>("ID_DATE1");
  auto* date2 = Find<QLineEdit>("ID_DATE2");
  if (!hani || !date1 || !date2) return false;

  if (services_.settings.GetInt(setting::Fukugen) != 0) {
    date1->setText(
        ToQString(RestoredDateText(services_.settings.GetText(setting::Date1), "00000000", services_.clock)));
    date2->setText(
        ToQString(RestoredDateText(services_.settings.GetText(setting::Date2), "99999999", services_.clock)));
    flags_ = LoadSearchFlags(services_.settings);
  } else {
    const QString today = ToQString(TodayDateText(services_.clock));
    date1->setText(today);
    date2->setText(today);
    flags_ = SearchFlags{false, false, false, false, false, false};
  }
  ShowFlags();
  UpdateCommandStates();
  return true;
}

void CMyRibbonBar::UpdateCommandStates() {
  auto enable = [this](const char* id, bool on) {
    for (QWidget* widget : findChildren<QWidget*>(QString::fromLatin1(id))) widget->setEnabled(on);
  };
  for (const char* id : {"ID_EDIT1", "ID_EDIT2", "ID_EDIT3", "ID_EDIT4", "ID_EDIT5"}) enable(id, !flags_.zenbun);
  enable("ID_EDIT6", flags_.zenbun);
  enable("ID_DATE1", flags_.useDateFrom);
  enable("ID_DATE2", flags_.useDateTo);

  CLeftView* list = CLeftView::Instance();
  const bool canSort = list && list->CanSort();
  const bool hasRows = list && list->HasRows();
  enable("ID_SORT_U", canSort);
  enable("ID_SORT_D", canSort);
  for (const char* id : {"ID_LIST_CLEAR", "ID_EDIT_NAME", "IDC_SAVE_LIST", "ID_EXCEL_OUT3"}) enable(id, hasRows);

  const bool pdf = services_.html && services_.html->PageType() == "PDF";
  enable("ID_GET_PDF", pdf);
  enable("ID_GET_WORD", pdf);

  static const char* const kFilters[] = {"ID_BUTTON8", "ID_BUTTON9", "ID_BUTTON10", "ID_BUTTON11"};
  for (int i = 0; i < 4; ++i)
    if (auto* button = Find<QToolButton>(kFilters[i])) button->setChecked(webSearchFilter_ == i);
}

void CMyRibbonBar::SetMinimized(bool minimized) {
  minimized_ = minimized;
  pages_->setVisible(!minimized);
  if (auto* button = Find<QToolButton>("ID_SHOW_MENU"))
    button->setIcon(minimized ? RibbonIcon("go-down", QChar(u'v'), QColor(0x5b7fa8))
                              : RibbonIcon("go-up", QChar(u'^'), QColor(0x5b7fa8)));
  updateGeometry();
}

void CMyRibbonBar::SetWebSearchFilter(int filter) {
  webSearchFilter_ = filter;
  UpdateCommandStates();
}

SearchInputs CMyRibbonBar::CurrentSearchInputs() const {
  SearchInputs inputs;
  static const char* const kEdits[] = {"ID_EDIT1", "ID_EDIT2", "ID_EDIT3", "ID_EDIT4", "ID_EDIT5", "ID_EDIT6"};
  for (int i = 0; i < 6; ++i)
    if (auto* edit = Find<QLineEdit>(kEdits[i])) inputs.editTexts[i] = ToCp932(edit->text());
  if (auto* date = Find<QLineEdit>("ID_DATE1")) inputs.date1Text = ToCp932(date->text());
  if (auto* date = Find<QLineEdit>("ID_DATE2")) inputs.date2Text = ToCp932(date->text());
  inputs.flags = flags_;
  return inputs;
}

void CMyRibbonBar::SetDateTexts(const std::string& date1, const std::string& date2) {
  if (auto* date = Find<QLineEdit>("ID_DATE1")) date->setText(ToQString(date1));
  if (auto* date = Find<QLineEdit>("ID_DATE2")) date->setText(ToQString(date2));
}

void CMyRibbonBar::ShowPageType(const QString& pageType) {
  auto* button = Find<QToolButton>("ID_NOW_DSP");
  if (!button) return;
  if (pageType.isEmpty())
    button->setIcon(RibbonIcon("unknown", QChar(u'?'), QColor(0x808080)));
  else if (pageType == QLatin1String("HTML"))
    button->setIcon(RibbonIcon("text-html", QChar(u'H'), QColor(0xe07b00)));
  else if (pageType == QLatin1String("PDF"))
    button->setIcon(RibbonIcon("application-pdf", QChar(u'P'), QColor(0xc0392b)));
  else
    button->setIcon(RibbonIcon("image-x-generic", QChar(u'I'), QColor(0x2e8b57)));
  SetDisplayedLabel(button, pageType.isEmpty() ? QStringLiteral("不明") : pageType);
  UpdateCommandStates();
}

void CMyRibbonBar::ShowOptWord(long optWord) {
  auto* button = Find<QToolButton>("ID_OPT_WORD");
  if (!button) return;
  if (optWord == 1) {
    SetDisplayedLabel(button, QStringLiteral("書式付"));
    button->setIcon(RibbonIcon("text-html", QChar(u'T'), QColor(0x6a5acd)));
  } else {
    SetDisplayedLabel(button, QStringLiteral("TEXT"));
    button->setIcon(RibbonIcon("text-plain", QChar(u'T'), QColor(0x808080)));
  }
}

QString CMyRibbonBar::HoverText(const QString& id) const {
  HoverState state;
  if (services_.html) state.pageType = services_.html->PageType();
  state.optWord = services_.settings.GetInt(setting::OptWord);
  return QString::fromStdString(HoverHelpText(id.toStdString(), state));
}

bool CMyRibbonBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* widget = qobject_cast<QWidget*>(watched);
    const QString id = watched->objectName();
    QString text = HoverText(id);
    if (text.isEmpty()) text = widget ? widget->toolTip() : QString();
    if (text.isEmpty()) {
      QToolTip::hideText();
      lastHoverId_.clear();
    } else {
      // Built now, so texts that follow the state (page type, Word format) are current.
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, widget);
      lastHoverId_ = id;
    }
    return true;
  }
  if (event->type() == QEvent::Leave) lastHoverId_.clear();
  return QWidget::eventFilter(watched, event);
}

}  // namespace folidex
