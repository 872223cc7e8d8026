#include "app/CMainFrame.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>

#include "app/CAboutDlg.h"
#include "app/CMyRibbonBar.h"
#include "app/ShellRules.h"
#include "app/qt/QtProgress.h"
#include "app/qt/SettingsFlow.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "common/qt/QtText.h"
#include "html/CShelfView.h"
#include "list/CLeftView.h"
#include "search/Search.h"

namespace folidex {

CMainFrame::CMainFrame(Services& services, QtProgress& progress, QWidget* parent)
    : QMainWindow(parent), services_(services), progress_(progress) {
  setObjectName(QStringLiteral("CMainFrame"));
  setWindowTitle(QStringLiteral("フォリデクス - Folidex"));

  ribbon_ = new CMyRibbonBar(services_, this);
  setMenuWidget(ribbon_);
  BuildStatusBar();

  // The client area: Last/Area 0 puts the HTML area on the left, anything else the list area.
  cxCur_ = static_cast<int>(services_.settings.GetInt(setting::CxCur));
  area_ = services_.settings.GetInt(setting::Area) == 0 ? 0 : 1;
  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName(QStringLiteral("Splitter"));
  splitter_->setChildrenCollapsible(true);
  html_ = new CShelfView(services_, splitter_);
  services_.html = html_;
  list_ = new CLeftView(services_, splitter_);
  if (area_ != 0) splitter_->insertWidget(0, list_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  setCentralWidget(splitter_);
  list_->RestoreColumnWidths();

  connect(ribbon_, &CMyRibbonBar::commandTriggered, this, &CMainFrame::OnCommand);
  connect(list_, &CLeftView::listStateChanged, ribbon_, &CMyRibbonBar::UpdateCommandStates);
  connect(list_, &CLeftView::showInHtmlArea, this,
          [this](const QString& target) { html_->Navigate2(ToCp932(target)); });
  connect(html_, &CShelfView::pageTypeChanged, ribbon_, &CMyRibbonBar::ShowPageType);
  connect(html_, &CShelfView::loadingChanged, &progress_, &QtProgress::SetLoading);
  connect(html_, &CShelfView::statusTextChanged, this,
          [this](const QString& text) { progress_.SetPaneText(StatusPane::Url, ToCp932(text)); });

  // F6 and Shift+F6: the focus to the next and the previous pane.
  auto* next = new QShortcut(QKeySequence(Qt::Key_F6), this);
  connect(next, &QShortcut::activated, this, [this] { MoveFocusBetweenPanes(true); });
  auto* previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), this);
  connect(previous, &QShortcut::activated, this, [this] { MoveFocusBetweenPanes(false); });

  resize(1280, 820);
  ribbon_->UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
  if (services_.html == html_) services_.html = nullptr;
}

void CMainFrame::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setStyleSheet(
      QStringLiteral("QStatusBar::item { border: none; }"
                     "QStatusBar QLabel { border: 1px solid #b7c6da; padding: 0px 4px; }"));
  const QFontMetrics metrics(bar->font());
  const QString ten = QStringLiteral("1234567890");

  auto* url = new QLabel(QStringLiteral("URL"), bar);
  url->setObjectName(QStringLiteral("pane120"));
  url->setAccessibleName(QStringLiteral("Url & Search Files"));
  url->setMinimumWidth(metrics.horizontalAdvance(ten.repeated(7)));
  url->setTextFormat(Qt::PlainText);
  bar->addWidget(url, 1);

  auto* download = new QLabel(bar);
  download->setObjectName(QStringLiteral("pane121"));
  download->setAccessibleName(QStringLiteral("Download"));
  download->setAlignment(Qt::AlignCenter);
  download->setFixedWidth(metrics.horizontalAdvance(ten) + 12);
  bar->addPermanentWidget(download);

  auto* time = new QLabel(bar);
  time->setObjectName(QStringLiteral("pane123"));
  time->setAccessibleName(QStringLiteral("Processing Time"));
  time->setAlignment(Qt::AlignCenter);
  time->setFixedWidth(metrics.horizontalAdvance(ten) + 12);
  bar->addPermanentWidget(time);

  progress_.Attach(url, download, time, ribbon_->ProgressBar());
}

void CMainFrame::ApplyPaneWidth() {
  const int total = splitter_->width();
  splitter_->setSizes({cxCur_, std::max(total - cxCur_, 100)});
}

void CMainFrame::SetLeftPaneWidth(int width) {
  const int total = splitter_->width() - splitter_->handleWidth();
  width = std::clamp(width, 0, std::max(total, 0));
  splitter_->setSizes({width, total - width});
}

void CMainFrame::SaveFrameState() {
  Settings& settings = services_.settings;
  const std::string url = html_->GetLocationURL();
  if (!url.empty()) settings.SetText(setting::DspPage, url);
  settings.SetInt(setting::CxCur, splitter_->sizes().value(0));
  const bool maximised = isMaximized();
  settings.SetInt(setting::Zoomed, maximised ? 1 : 0);
  settings.SetInt(setting::DocType, ribbon_->WebSearchFilter());
  const QRect frame = frameGeometry();
  const QRect normal = normalGeometry();
  WindowRect rect = ShutdownWindowRect({frame.x(), frame.y(), frame.width(), frame.height()},
                                       {normal.x(), normal.y(), normal.width(), normal.height()}, maximised);
  settings.SetInt(setting::WindowX, rect.x);
  settings.SetInt(setting::WindowY, rect.y);
  settings.SetInt(setting::WindowWidth, rect.width);
  settings.SetInt(setting::WindowHeight, rect.height);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // A command that is still running (a search repaints the window, and a close from the window
  // system can arrive meanwhile) finishes first, so the list is not saved half filled.
  if (progress_.Busy() || searching_) {
    event->ignore();
    return;
  }
  emit closing();
  event->accept();
}

void CMainFrame::MoveFocusBetweenPanes(bool forward) {
  QWidget* panes[2] = {splitter_->widget(0), splitter_->widget(1)};
  QWidget* focus = QApplication::focusWidget();
  int current = -1;
  for (int i = 0; i < 2; ++i)
    if (focus && (focus == panes[i] || panes[i]->isAncestorOf(focus))) current = i;
  int target = current < 0 ? (forward ? 0 : 1) : 1 - current;
  QWidget* pane = panes[target];
  if (pane->focusPolicy() == Qt::NoFocus) {
    // A pane made of child widgets: its first child that takes the focus.
    for (QWidget* child : pane->findChildren<QWidget*>()) {
      if (child->isVisible() && child->isEnabled() && child->focusPolicy() != Qt::NoFocus) {
        pane = child;
        break;
      }
    }
  }
  pane->setFocus(Qt::ShortcutFocusReason);
}

void CMainFrame::OnCommand(const QString& id) {
  Prompter& prompter = services_.prompter;
  if (id == QLatin1String("ID_KAN_SET")) {
    EditSettings(services_, this);
  } else if (id == QLatin1String("ID_APP_ABOUT")) {
    CAboutDlg about(this);
    about.exec();
  } else if (id == QLatin1String("ID_APP_EXIT")) {
    close();
  } else if (id == QLatin1String("ID_SHOW_MENU")) {
    ribbon_->ToggleMinimized();
  } else if (id == QLatin1String("ID_HELP")) {
    OnHelp();
  } else if (id == QLatin1String("ID_GET_PDF") || id == QLatin1String("ID_GET_WORD") ||
             id == QLatin1String("ID_EXCEL_OUT3")) {
    // The PDF import, the Word output and the spreadsheet export are not part of this version.
    prompter.Information(Msg::NotAvailableYet);
  } else if (id == QLatin1String("ID_OPT_WORD")) {
    OnOptWord();
  } else if (id == QLatin1String("ID_BUTTON7")) {
    OnWebSearch();
  } else if (id.startsWith(QLatin1String("ID_BUTTON"))) {
    const int filter = id.mid(9).toInt() - 8;  // ID_BUTTON8..11 -> 0..3
    if (filter >= 0 && filter <= 3) ribbon_->SetWebSearchFilter(filter);
  } else if (id == QLatin1String("ID_AREA_EVEN")) {
    SetLeftPaneWidth(splitter_->width() / 2);
  } else if (id == QLatin1String("ID_AREA_HTML")) {
    SetLeftPaneWidth(splitter_->width());
  } else if (id == QLatin1String("ID_AREA_LIST")) {
    SetLeftPaneWidth(0);
  } else if (id == QLatin1String("ID_CHANGE_AREA")) {
    OnChangeArea();
  } else if (id == QLatin1String("ID_COL_COLOR")) {
    list_->OnColColor();
  } else if (id == QLatin1String("ID_SORT_U")) {
    list_->OnSortUp();
  } else if (id == QLatin1String("ID_SORT_D")) {
    list_->OnSortDown();
  } else if (id == QLatin1String("ID_LIST_CLEAR")) {
    list_->OnListClear();
  } else if (id == QLatin1String("IDC_SAVE_LIST")) {
    auto* name = ribbon_->findChild<QLineEdit*>(QStringLiteral("ID_EDIT_NAME"));
    list_->OnSaveList(name ? name->text() : QString());
  } else if (id == QLatin1String("IDC_LOAD_LIST")) {
    list_->OnLoadList();
  } else if (id == QLatin1String("IDC_LIST_KANRI")) {
    list_->OnListKanri();
  } else if (id == QLatin1String("ID_DB_SEARCH")) {
    OnDbSearch();
  }
  ribbon_->UpdateCommandStates();
}

void CMainFrame::OnDbSearch() {
  SearchInputs inputs = ribbon_->CurrentSearchInputs();
  SearchConditions conditions;
  const bool go = CollectSearchConditions(inputs, services_.list, services_.settings, services_.prompter, conditions);
  // The edits show the bounds as collected (swapped when the user agreed).
  ribbon_->SetDateTexts(inputs.date1Text, inputs.date2Text);
  if (!go) return;
  searching_ = true;
  RunDbSearch(conditions, services_.store, services_.list, services_.settings, services_.prompter, progress_,
              services_.clock);
  searching_ = false;
}

void CMainFrame::OnWebSearch() {
  auto* goku = ribbon_->findChild<QLineEdit*>(QStringLiteral("ID_GOKU"));
  if (!goku || goku->text().isEmpty()) return;
  const std::string text = ToCp932(goku->text());
  html_->Navigate2(WebSearchAddress(kWebSearchBase, text, ribbon_->WebSearchFilter()));
  services_.settings.SetText(setting::WebGoku, text);
}

void CMainFrame::OnHelp() {
  const QString folder = QCoreApplication::applicationDirPath();
  if (folder.isEmpty()) return;
  const QString manual = folder + QStringLiteral("/Manual.pdf");
  if (QFileInfo::exists(manual))
    html_->Navigate2(ToCp932(manual));
  else
    services_.prompter.Information(Msg::ManualMissing);
}

void CMainFrame::OnChangeArea() {
  if (services_.prompter.AskYesNo(Msg::SwapAreasQuestion) != Answer::Yes) return;
  const long area = services_.settings.GetInt(setting::Area);
  services_.settings.SetInt(setting::Area, area == 0 ? 1 : 0);
  services_.prompter.Information(Msg::AreasSwapped);
}

void CMainFrame::OnOptWord() {
  if (services_.settings.GetInt(setting::OptWord) != 0) {
    services_.settings.SetInt(setting::OptWord, 0);
    ribbon_->ShowOptWord(0);
  } else {
    services_.settings.SetInt(setting::OptWord, 1);
    ribbon_->ShowOptWord(1);
  }
}

}  // namespace folidex
