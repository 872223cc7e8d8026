#include "app/CMyRibbonBar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <map>
#include <utility>

#include "app/ShellRules.h"
#include "common/Messages.h"
#include "common/Settings.h"
#include "common/qt/QtText.h"

namespace folidex {
namespace {

const QString kHomeTab = QStringLiteral("ホーム  ( WClick , Ctrl+F1 )");
const QString kSearchTab = QStringLiteral("検索");
constexpr int kLargeIcon = 32;
constexpr int kLargeButtonWidth = 52;  // a large button with its label under the icon
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

// A button that runs `action`: a click triggers it, and the button follows its enabled and
// checked state.
void BindButton(QAbstractButton* button, QAction* action) {
  if (!action) return;
  QObject::connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
  auto follow = [button, action] {
    button->setEnabled(action->isEnabled());
    if (action->isCheckable()) {
      button->setCheckable(true);
      button->setChecked(action->isChecked());
    }
  };
  QObject::connect(action, &QAction::changed, button, follow);
  follow();
}

QFrame* Separator(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::VLine);
  line->setProperty("ribbonSeparator", true);
  return line;
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

CMyRibbonBar::CMyRibbonBar(Services& services, const RibbonActions& actions, QWidget* parent)
    : QWidget(parent), services_(services), actions_(actions) {
  setObjectName(QStringLiteral("CMyRibbonBar"));
  flags_ = SearchFlags{false, false, false, false, false, false};
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setAutoFillBackground(true);
  setStyleSheet(
      QStringLiteral("#RibbonPages, #RibbonDropDown { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 "
                     "#fdfeff, stop:1 #dfe9f5);"
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
    QAction* action;
    const char* icon;
    Msg tooltip;  // Msg{}: none
  };
  for (const MenuItem& item :
       {MenuItem{actions_.kanSet, "configure", Msg::KanSetDescription}, MenuItem{actions_.about, "help-about", Msg{}},
        MenuItem{actions_.exit, "application-exit", Msg::AppExitDescription}}) {
    if (!item.action) continue;
    if (item.action == actions_.exit) appMenu_->addSeparator();
    item.action->setIcon(RibbonIcon(item.icon, QChar(u'F'), QColor(0x2b5797)));
    if (item.tooltip != Msg{}) item.action->setToolTip(ResourceTooltip(item.tooltip));
    appMenu_->addAction(item.action);
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

  // ID_SHOW_MENU is the ribbon's own command (also Ctrl+F1 and a double-click on a tab).
  auto* showMenu = new QAction(this);
  showMenu->setObjectName(QStringLiteral("ID_SHOW_MENU"));
  showMenu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1));
  showMenu->setShortcutContext(Qt::WindowShortcut);
  connect(showMenu, &QAction::triggered, this, &CMyRibbonBar::ToggleMinimized);
  addAction(showMenu);
  showMenu_ = new QToolButton(this);
  Register(showMenu_, "ID_SHOW_MENU");
  showMenu_->setIcon(RibbonIcon("go-up", QChar(u'^'), QColor(0x5b7fa8)));
  showMenu_->setAutoRaise(true);
  showMenu_->setToolTip(ResourceTooltip(Msg::ShowMenuDescription));
  BindButton(showMenu_, showMenu);
  top->addWidget(showMenu_);
  QToolButton* help =
      SmallButton(actions_.help, "ID_HELP", QStringLiteral("ヘルプ"), "help-contents", QChar(u'?'), QColor(0x2e8b57));
  help->setToolTip(ResourceTooltip(Msg::HelpDescription));
  top->addWidget(help);
  outer->addLayout(top);

  pages_ = new QStackedWidget(this);
  pages_->setObjectName(QStringLiteral("RibbonPages"));
  tabPages_ = {BuildHomeTab(), BuildSearchTab()};
  for (QWidget* page : tabPages_) pages_->addWidget(page);
  outer->addWidget(pages_);
  connect(tabs_, &QTabBar::currentChanged, pages_, &QStackedWidget::setCurrentIndex);
  connect(tabs_, &QTabBar::tabBarDoubleClicked, this, [this](int) { ToggleMinimized(); });
  connect(tabs_, &QTabBar::tabBarClicked, this, [this](int tab) {
    if (minimized_ && tab >= 0) ShowDropDown(tab);
  });

  // The area menu, attached to ID_DSP_AREA by RestoreRibbonState.
  areaMenu_ = new QMenu(this);
  areaMenu_->setObjectName(QStringLiteral("AreaMenu"));
  for (QAction* item : actions_.areaItems)
    if (item) areaMenu_->addAction(item);

  ShowFlags();
  UpdateAccessibleTexts();
}

void CMyRibbonBar::Register(QWidget* widget, const char* id) {
  widget->setObjectName(QString::fromLatin1(id));
  widget->installEventFilter(this);
  // Every control is reached with Tab and run with Space, as well as with the mouse.
  if (!(widget->focusPolicy() & Qt::TabFocus)) widget->setFocusPolicy(Qt::StrongFocus);
  registered_.push_back(widget);
}

namespace {

// The name a hover text gives its control: the title in 【】, else the first 「」 quote, else its
// first line.
QString HoverTitle(const QString& hover) {
  for (const auto& [open, close] : {std::pair{u'【', u'】'}, std::pair{u'「', u'」'}}) {
    const qsizetype start = hover.indexOf(QChar(open));
    const qsizetype end = start < 0 ? -1 : hover.indexOf(QChar(close), start + 1);
    if (end > start + 1) return hover.mid(start + 1, end - start - 1);
  }
  return hover.section(QLatin1Char('\n'), 0, 0);
}

}  // namespace

void CMyRibbonBar::UpdateAccessibleTexts() {
  // The search fields are explained by the caption (or check box) beside them.
  static const std::map<QString, QString> kExplainedBy = {
      {QStringLiteral("ID_EDIT1"), QStringLiteral("ID_TITLE1")},
      {QStringLiteral("ID_EDIT2"), QStringLiteral("ID_TITLE2")},
      {QStringLiteral("ID_EDIT3"), QStringLiteral("ID_TITLE3")},
      {QStringLiteral("ID_EDIT4"), QStringLiteral("ID_TITLE4")},
      {QStringLiteral("ID_EDIT5"), QStringLiteral("ID_TITLE5")},
      {QStringLiteral("ID_EDIT6"), QStringLiteral("ID_ZENBUN")},
      {QStringLiteral("ID_EDIT_NAME"), QStringLiteral("IDC_SAVE_LIST")},
      {QStringLiteral("ID_CHK0"), QStringLiteral("ID_MD_HANI")},
      {QStringLiteral("ID_CHK1"), QStringLiteral("ID_DATE1")},
      {QStringLiteral("ID_CHK2"), QStringLiteral("ID_DATE2")}};
  for (QWidget* widget : registered_) {
    QString hover = HoverText(widget->objectName());
    if (hover.isEmpty()) hover = widget->toolTip();
    QString name;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) name = button->text().remove(QLatin1Char('&'));
    if (auto source = kExplainedBy.find(widget->objectName()); source != kExplainedBy.end()) {
      const QString sourceHover = HoverText(source->second);
      if (hover.isEmpty()) hover = sourceHover;
      if (auto* caption = findChild<QLabel*>(source->second); caption && name.isEmpty())
        name = caption->text().remove(QLatin1Char(' '));
      if (auto* box = findChild<QAbstractButton*>(source->second); box && name.isEmpty()) name = box->text();
      if (name.isEmpty()) name = HoverTitle(sourceHover);
    }
    name = name.simplified();
    if (name.isEmpty()) name = HoverTitle(hover);
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(QString(hover).replace(QLatin1Char('\n'), QLatin1Char(' ')));
  }
}

QToolButton* CMyRibbonBar::LargeButton(QAction* action, const char* id, const QString& label, const char* icon,
                                       QChar glyph, QColor color) {
  auto* button = new QToolButton(this);
  Register(button, id);
  button->setProperty("large", true);
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setIconSize(QSize(kLargeIcon, kLargeIcon));
  button->setIcon(RibbonIcon(icon, glyph, color));
  button->setAutoRaise(true);
  button->setMinimumWidth(kLargeButtonWidth);
  SetDisplayedLabel(button, label);
  if (action && action->text().isEmpty()) action->setText(label);
  BindButton(button, action);
  return button;
}

QToolButton* CMyRibbonBar::SmallButton(QAction* action, const char* id, const QString& label, const char* icon,
                                       QChar glyph, QColor color) {
  auto* button = new QToolButton(this);
  Register(button, id);
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setIconSize(QSize(kSmallIcon, kSmallIcon));
  button->setIcon(RibbonIcon(icon, glyph, color));
  button->setAutoRaise(true);
  button->setText(label);
  button->setProperty("label", label);
  if (action && action->text().isEmpty()) action->setText(label);
  BindButton(button, action);
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

QCheckBox* CMyRibbonBar::Check(const char* id, const QString& label, SearchToggle toggle) {
  auto* box = new QCheckBox(label, this);
  Register(box, id);
  box->setProperty("label", label);
  connect(box, &QCheckBox::clicked, this, [this, toggle] { OnToggle(toggle); });
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

QWidget* CMyRibbonBar::BuildHomeTab() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("HomeTab"));
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(2, 2, 2, 2);
  row->setSpacing(2);

  // HTMLエリア
  auto* html = new QHBoxLayout;
  html->setSpacing(1);
  nowDsp_ = LargeButton(nullptr, "ID_NOW_DSP", QStringLiteral("HTML"), "text-html", QChar(u'H'), QColor(0xe07b00));
  html->addWidget(nowDsp_);
  html->addWidget(LargeButton(actions_.getPdf, "ID_GET_PDF", QStringLiteral("PDF 取得"), "document-import", QChar(u'P'),
                              QColor(0xc0392b)));
  html->addWidget(LargeButton(actions_.getWord, "ID_GET_WORD", QStringLiteral("Word 出力"), "x-office-document",
                              QChar(u'W'), QColor(0x2b5797)));
  optWord_ = LargeButton(actions_.optWord, "ID_OPT_WORD", QStringLiteral("書式付"), "text-html", QChar(u'T'),
                         QColor(0x6a5acd));
  html->addWidget(optWord_);
  auto* web = new QVBoxLayout;
  web->setSpacing(2);
  auto* webRow = new QHBoxLayout;
  webRow->setSpacing(2);
  goku_ = Edit("ID_GOKU", 120);
  webRow->addWidget(goku_);
  webRow->addWidget(SmallButton(actions_.webSearch, "ID_BUTTON7", QStringLiteral("検索"), "edit-find", QChar(u'S'),
                                QColor(0x2e8b57)));
  web->addLayout(webRow);
  auto* filters = new QHBoxLayout;
  filters->setSpacing(1);
  struct Filter {
    const char* id;
    const char* label;
    const char* icon;
  };
  const Filter kFilters[] = {{"ID_BUTTON8", "すべて", "globe"},
                             {"ID_BUTTON9", "画像", "image-x-generic"},
                             {"ID_BUTTON10", "写真", "camera-photo"},
                             {"ID_BUTTON11", "PDF", "application-pdf"}};
  for (int i = 0; i < 4; ++i)
    filters->addWidget(SmallButton(actions_.webFilters[i], kFilters[i].id, QString::fromUtf8(kFilters[i].label),
                                   kFilters[i].icon, QChar(u'0' + i), QColor(0x5b7fa8)));
  web->addLayout(filters);
  web->addStretch(1);
  html->addLayout(web);
  row->addWidget(Panel(QStringLiteral("HTMLエリア"), html, QStringLiteral("PanelHtml")));
  row->addWidget(Separator(page));

  // 表示
  auto* display = new QHBoxLayout;
  display->setSpacing(1);
  dspArea_ = LargeButton(nullptr, "ID_DSP_AREA", QStringLiteral("エリア 切替"), "view-split-left-right", QChar(u'A'),
                         QColor(0x008b8b));
  dspArea_->setPopupMode(QToolButton::InstantPopup);
  display->addWidget(dspArea_);
  display->addWidget(LargeButton(actions_.changeArea, "ID_CHANGE_AREA", QStringLiteral("エリア 交換"),
                                 "exchange-positions", QChar(u'X'), QColor(0x008b8b)));
  row->addWidget(Panel(QStringLiteral("表示"), display, QStringLiteral("PanelDisplay")));
  row->addWidget(Separator(page));

  // リストエリア
  auto* list = new QHBoxLayout;
  list->setSpacing(1);
  list->addWidget(LargeButton(actions_.colColor, "ID_COL_COLOR", QStringLiteral("列色 変更"), "format-fill-color",
                              QChar(u'C'), QColor(0x8e44ad)));
  list->addWidget(LargeButton(actions_.sortUp, "ID_SORT_U", QStringLiteral("昇順 ソート"), "view-sort-ascending",
                              QChar(u'U'), QColor(0x27ae60)));
  list->addWidget(LargeButton(actions_.sortDown, "ID_SORT_D", QStringLiteral("降順 ソート"), "view-sort-descending",
                              QChar(u'D'), QColor(0x27ae60)));
  list->addWidget(LargeButton(actions_.excelOut, "ID_EXCEL_OUT3", QStringLiteral("Excel 出力"), "x-office-spreadsheet",
                              QChar(u'E'), QColor(0x1e7145)));
  auto* named = new QVBoxLayout;
  named->setSpacing(2);
  listName_ = Edit("ID_EDIT_NAME", 150);
  named->addWidget(listName_);
  named->addWidget(SmallButton(actions_.saveList, "IDC_SAVE_LIST", QStringLiteral("この名前でリストを保存"),
                               "document-save", QChar(u'S'), QColor(0x2b5797)));
  named->addStretch(1);
  list->addLayout(named);
  list->addWidget(LargeButton(actions_.loadList, "IDC_LOAD_LIST", QStringLiteral("リスト 呼出し"), "document-open",
                              QChar(u'L'), QColor(0x2b5797)));
  list->addWidget(LargeButton(actions_.listKanri, "IDC_LIST_KANRI", QStringLiteral("リスト 管理"), "view-list-details",
                              QChar(u'K'), QColor(0x2b5797)));
  list->addWidget(LargeButton(actions_.listClear, "ID_LIST_CLEAR", QStringLiteral("一覧表 クリア"), "edit-clear-list",
                              QChar(u'C'), QColor(0xc0392b)));
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
  static const char* const kEdits[] = {"ID_EDIT1", "ID_EDIT2", "ID_EDIT3", "ID_EDIT4", "ID_EDIT5", "ID_EDIT6"};
  for (int i = 0; i < 6; ++i) {
    searchEdits_[i] = Edit(kEdits[i], 118);
    // Enter in a term runs the search, as "DB 検索" does.
    connect(searchEdits_[i], &QLineEdit::returnPressed, this, [this] {
      if (actions_.dbSearch && actions_.dbSearch->isEnabled()) actions_.dbSearch->trigger();
    });
  }
  grid->addWidget(searchEdits_[0], 0, 1);
  grid->addWidget(searchEdits_[1], 1, 1);
  grid->addWidget(searchEdits_[2], 2, 1);
  grid->addWidget(Caption("ID_TITLE4", QStringLiteral("4.キーワード")), 0, 2);
  grid->addWidget(Caption("ID_TITLE5", QStringLiteral("5.P D F 本文")), 1, 2);
  zenbun_ = Check("ID_ZENBUN", QStringLiteral("全文(1-5)"), SearchToggle::Zenbun);
  grid->addWidget(zenbun_, 2, 2);
  grid->addWidget(searchEdits_[3], 0, 3);
  grid->addWidget(searchEdits_[4], 1, 3);
  grid->addWidget(searchEdits_[5], 2, 3);

  auto* kind = new QHBoxLayout;
  onCreationDate_ = Check("ID_CHK0", QString(), SearchToggle::CreationDate);
  kind->addWidget(onCreationDate_);
  dateKind_ = Caption("ID_MD_HANI", QStringLiteral("作成日の範囲"));
  kind->addWidget(dateKind_, 1);
  grid->addLayout(kind, 0, 4);
  auto* from = new QHBoxLayout;
  useDateFrom_ = Check("ID_CHK1", QString(), SearchToggle::DateFrom);
  from->addWidget(useDateFrom_);
  from->addWidget(new QLabel(QStringLiteral("(自)"), this));
  date1_ = Edit("ID_DATE1", 70);
  date1_->setText(QStringLiteral("2010/12/01"));
  from->addWidget(date1_, 1);
  grid->addLayout(from, 1, 4);
  auto* to = new QHBoxLayout;
  useDateTo_ = Check("ID_CHK2", QString(), SearchToggle::DateTo);
  to->addWidget(useDateTo_);
  to->addWidget(new QLabel(QStringLiteral("(至)"), this));
  date2_ = Edit("ID_DATE2", 70);
  date2_->setText(QStringLiteral("2010/12/01"));
  to->addWidget(date2_, 1);
  grid->addLayout(to, 2, 4);

  spaceCut_ = Check("ID_SPACE_CUT", QStringLiteral("スペースを除去して検索する"), SearchToggle::SpaceCut);
  grid->addWidget(spaceCut_, 0, 5);
  addList_ = Check("ID_ADD_LIST", QStringLiteral("結果をリスト末尾に追加する"), SearchToggle::AddList);
  grid->addWidget(addList_, 1, 5);
  yure_ = Check("ID_YURE", QStringLiteral("表記ゆれを無視する"), SearchToggle::Yure);
  grid->addWidget(yure_, 2, 5);
  progress_ = new QProgressBar(this);
  Register(progress_, "ID_PROGRESS1");
  progress_->setFixedWidth(200);
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  progress_->setMaximumHeight(14);
  grid->addWidget(progress_, 3, 0, 1, 6);
  content->addLayout(grid);
  content->addWidget(LargeButton(actions_.dbSearch, "ID_DB_SEARCH", QStringLiteral("DB 検索"), "system-search",
                                 QChar(u'D'), QColor(0x2e8b57)));
  content->addWidget(LargeButton(actions_.listClear, "ID_LIST_CLEAR", QStringLiteral("一覧表 クリア"),
                                 "edit-clear-list", QChar(u'C'), QColor(0xc0392b)));
  row->addWidget(Panel(QStringLiteral("データベース検索"), content, QStringLiteral("PanelDbSearch")));
  row->addStretch(1);
  return page;
}

void CMyRibbonBar::OnToggle(SearchToggle toggle) {
  QLineEdit* date = toggle == SearchToggle::DateFrom ? date1_ : toggle == SearchToggle::DateTo ? date2_ : nullptr;
  std::string dateText = date ? ToCp932(date->text()) : std::string();
  ToggleSearchFlag(flags_, toggle, services_.settings, services_.clock, date ? &dateText : nullptr);
  if (date && ToQString(dateText) != date->text()) date->setText(ToQString(dateText));
  ShowFlags();
}

void CMyRibbonBar::ShowFlags() {
  zenbun_->setChecked(flags_.zenbun);
  onCreationDate_->setChecked(flags_.onCreationDate);
  useDateFrom_->setChecked(flags_.useDateFrom);
  useDateTo_->setChecked(flags_.useDateTo);
  spaceCut_->setChecked(flags_.spaceCut);
  addList_->setChecked(flags_.addList);
  yure_->setChecked(flags_.yure);
  const QString caption = flags_.onCreationDate ? QStringLiteral("作成日の範囲") : QStringLiteral("取得日の範囲");
  dateKind_->setText(caption);
  dateKind_->setProperty("label", caption);
  // The field edits give way to the full-text edit, and each date edit follows its check box.
  for (int i = 0; i < 5; ++i) searchEdits_[i]->setEnabled(!flags_.zenbun);
  searchEdits_[5]->setEnabled(flags_.zenbun);
  date1_->setEnabled(flags_.useDateFrom);
  date2_->setEnabled(flags_.useDateTo);
}

bool CMyRibbonBar::RestoreRibbonState() {
  int home = -1;
  int search = -1;
  for (int i = 0; i < tabs_->count(); ++i) {
    // The first six bytes in CP932 are the three characters of "ホーム"; the first four "検索".
    if (home < 0 && tabs_->tabText(i).startsWith(QStringLiteral("ホーム"))) home = i;
    if (search < 0 && tabs_->tabText(i).startsWith(QStringLiteral("検索"))) search = i;
  }
  if (home < 0 || search < 0) return false;
  QWidget* htmlPanel = pages_->widget(home)->findChild<QWidget*>(QStringLiteral("PanelHtml"));
  if (!htmlPanel || !htmlPanel->isAncestorOf(nowDsp_) || !htmlPanel->isAncestorOf(optWord_) ||
      !htmlPanel->isAncestorOf(goku_))
    return false;
  ShowOptWord(services_.settings.GetInt(setting::OptWord));
  goku_->setText(ToQString(services_.settings.GetText(setting::WebGoku)));

  dspArea_->setMenu(areaMenu_);
  dspArea_->setPopupMode(QToolButton::InstantPopup);

  if (!pages_->widget(search)->isAncestorOf(progress_)) return false;
  progress_->setRange(0, 100);
  progress_->setValue(0);

  for (int i = 0; i < 6; ++i) searchEdits_[i]->setText(ToQString(services_.settings.GetText(setting::Goku(i))));
  if (services_.settings.GetInt(setting::Fukugen) != 0) {
    const std::string date1 = services_.settings.GetText(setting::Date1);
    const std::string date2 = services_.settings.GetText(setting::Date2);
    date1_->setText(ToQString(RestoredDateText(date1, "00000000", services_.clock)));
    date2_->setText(ToQString(RestoredDateText(date2, "99999999", services_.clock)));
    flags_ = LoadSearchFlags(services_.settings);
    // An open bound is shown as a bound not in use: empty and unticked.
    if (date1 == "00000000") flags_.useDateFrom = false;
    if (date2 == "99999999") flags_.useDateTo = false;
  } else {
    const QString today = ToQString(TodayDateText(services_.clock));
    date1_->setText(today);
    date2_->setText(today);
    // Not restored, each switch starts as a new user finds it: off, and 表記ゆれ forgiven.
    flags_ = SearchFlags{false, false, false, false, false, false, true};
  }
  ShowFlags();
  return true;
}

void CMyRibbonBar::ApplyEnabling(const CommandEnabling& enabling) { listName_->setEnabled(enabling.listRows); }

void CMyRibbonBar::SetMinimized(bool minimized) {
  CloseDropDown();
  minimized_ = minimized;
  pages_->setVisible(!minimized);
  showMenu_->setIcon(minimized ? RibbonIcon("go-down", QChar(u'v'), QColor(0x5b7fa8))
                               : RibbonIcon("go-up", QChar(u'^'), QColor(0x5b7fa8)));
  updateGeometry();
}

SearchInputs CMyRibbonBar::CurrentSearchInputs() const {
  SearchInputs inputs;
  for (int i = 0; i < 6; ++i) inputs.editTexts[i] = ToCp932(searchEdits_[i]->text());
  inputs.date1Text = ToCp932(date1_->text());
  inputs.date2Text = ToCp932(date2_->text());
  inputs.flags = flags_;
  return inputs;
}

void CMyRibbonBar::SetDateTexts(const std::string& date1, const std::string& date2) {
  date1_->setText(ToQString(date1));
  date2_->setText(ToQString(date2));
}

QString CMyRibbonBar::WebSearchText() const { return goku_->text(); }
QString CMyRibbonBar::ListNameText() const { return listName_->text(); }

void CMyRibbonBar::ShowPageType(const QString& pageType) {
  pageType_ = pageType;
  if (pageType.isEmpty())
    nowDsp_->setIcon(RibbonIcon("unknown", QChar(u'?'), QColor(0x808080)));
  else if (pageType == QLatin1String("HTML"))
    nowDsp_->setIcon(RibbonIcon("text-html", QChar(u'H'), QColor(0xe07b00)));
  else if (pageType == QLatin1String("PDF"))
    nowDsp_->setIcon(RibbonIcon("application-pdf", QChar(u'P'), QColor(0xc0392b)));
  else
    nowDsp_->setIcon(RibbonIcon("image-x-generic", QChar(u'I'), QColor(0x2e8b57)));
  SetDisplayedLabel(nowDsp_, pageType.isEmpty() ? QStringLiteral("不明") : pageType);
  UpdateAccessibleTexts();
}

void CMyRibbonBar::ShowOptWord(long optWord) {
  if (optWord == 1) {
    SetDisplayedLabel(optWord_, QStringLiteral("書式付"));
    optWord_->setIcon(RibbonIcon("text-html", QChar(u'T'), QColor(0x6a5acd)));
  } else {
    SetDisplayedLabel(optWord_, QStringLiteral("TEXT"));
    optWord_->setIcon(RibbonIcon("text-plain", QChar(u'T'), QColor(0x808080)));
  }
  UpdateAccessibleTexts();
}

QString CMyRibbonBar::HoverText(const QString& id) const {
  HoverState state;
  state.pageType = ToCp932(pageType_);
  state.optWord = services_.settings.GetInt(setting::OptWord);
  return QString::fromStdString(HoverHelpText(id.toStdString(), state));
}

void CMyRibbonBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitPanels();
}

namespace {

// The width a page's controls need side by side now. Layouts recompute their sizes lazily, after
// the events a change posts: every cache below the page is cleared so the answer is current.
int MinimumWidth(QWidget* page) {
  for (QLayout* layout : page->findChildren<QLayout*>()) layout->invalidate();
  for (QWidget* widget : page->findChildren<QWidget*>())
    if (widget->layout()) widget->updateGeometry();
  page->layout()->invalidate();
  return page->layout()->totalMinimumSize().width();
}

}  // namespace

void CMyRibbonBar::FitPanels() {
  if (fitting_) return;  // the styles below change the ribbon's height: one fit at a time
  fitting_ = true;
  const QMargins margins = pages_->contentsMargins();
  const int available = width() - layout()->contentsMargins().left() - layout()->contentsMargins().right() -
                        margins.left() - margins.right();
  for (std::size_t tab = 0; tab < tabPages_.size(); ++tab) {
    QWidget* page = tabPages_[tab];
    int level = 0;
    for (; level < kMostCompact; ++level) {
      ApplyCompactLevel(page, level);
      if (MinimumWidth(page) <= available) break;
    }
    ApplyCompactLevel(page, level);
    compactLevels_[tab] = level;
  }
  fitting_ = false;
}

void CMyRibbonBar::ApplyCompactLevel(QWidget* page, int level) {
  for (QToolButton* button : page->findChildren<QToolButton*>()) {
    const bool large = button->property("large").toBool();
    const bool iconOnly = large ? level >= 3 : level >= 1;
    const Qt::ToolButtonStyle style =
        iconOnly ? Qt::ToolButtonIconOnly : (large ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonTextBesideIcon);
    if (button->toolButtonStyle() != style) button->setToolButtonStyle(style);
    if (!large) continue;
    button->setMinimumWidth(level >= 2 ? 0 : kLargeButtonWidth);
    QFont font = button->font();
    const qreal size = level >= 2 ? QApplication::font().pointSizeF() * 0.8 : QApplication::font().pointSizeF();
    if (size > 0 && font.pointSizeF() != size) {
      font.setPointSizeF(size);
      button->setFont(font);
    }
  }
}

QWidget* CMyRibbonBar::OpenDropDown() const { return dropDown_ && dropDown_->isVisible() ? dropDown_ : nullptr; }

void CMyRibbonBar::ShowDropDown(int tab) {
  CloseDropDown();
  if (!dropDown_) {
    dropDown_ = new QFrame(this, Qt::Popup);
    dropDown_->setObjectName(QStringLiteral("RibbonDropDown"));
    dropDown_->setFrameShape(QFrame::Box);
    auto* column = new QVBoxLayout(dropDown_);
    column->setContentsMargins(1, 1, 1, 1);
    dropDown_->installEventFilter(this);
  }
  // The tab's page moves into the drop-down while it is open and back into the ribbon after.
  QWidget* page = tabPages_[static_cast<std::size_t>(tab)];
  pages_->removeWidget(page);
  dropDown_->layout()->addWidget(page);
  page->show();
  dropDownTab_ = tab;
  dropDown_->setFixedWidth(width());
  dropDown_->adjustSize();
  dropDown_->move(mapToGlobal(QPoint(0, tabs_->geometry().bottom() + 1)));
  dropDown_->show();
}

void CMyRibbonBar::CloseDropDown() {
  if (dropDownTab_ < 0) return;
  QWidget* page = tabPages_[static_cast<std::size_t>(dropDownTab_)];
  dropDownTab_ = -1;
  dropDown_->hide();
  dropDown_->layout()->removeWidget(page);
  pages_->insertWidget(static_cast<int>(page == tabPages_[0] ? 0 : 1), page);
  pages_->setCurrentIndex(tabs_->currentIndex());
}

bool CMyRibbonBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == dropDown_) {
    if (event->type() == QEvent::Hide && dropDownTab_ >= 0) {
      CloseDropDown();
    } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      dropDown_->hide();
      return true;
    }
    return false;
  }
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
