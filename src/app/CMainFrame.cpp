#include "app/CMainFrame.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>

#include "app/CAboutDlg.h"
#include "app/ShellRules.h"
#include "app/qt/EscapeWatch.h"
#include "app/qt/QtProgress.h"
#include "app/qt/SettingsFlow.h"
#include "common/Messages.h"
#include "common/Normalize.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "common/qt/Modal.h"
#include "common/qt/QtSettings.h"
#include "common/qt/QtText.h"
#include "dialogs/qt/RecordDialogs.h"
#include "html/CPdfPane.h"
#include "html/CShelfView.h"
#include "html/qt/PdfPlaces.h"
#include "html/qt/WordOutputCommand.h"
#include "import/qt/ImportController.h"
#include "import/qt/InboxWatcher.h"
#include "list/CLeftView.h"
#include "list/CListDlg.h"
#include "list/RecordRow.h"
#include "pdf/RecognitionWorker.h"
#include "pdf/RecognizerPool.h"
#include "search/Places.h"
#include "search/Search.h"
#include "search/SearchRun.h"
#include "search/index/IndexUpkeep.h"

namespace folidex {

CMainFrame::CMainFrame(Services& services, QtProgress& progress, QWidget* parent)
    : QMainWindow(parent), services_(services), progress_(progress) {
  setObjectName(QStringLiteral("CMainFrame"));
  setWindowTitle(QStringLiteral("フォリデクス - Folidex"));

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

  // One set of text recognizers for the window's imports and the inbox: one per core (at most
  // four) in all, each a worker process that loads its models once.
  auto recognizers = std::make_shared<RecognizerPool>(
      WorkerRecognizers(RecognitionWorkerCommand(), ReadWorkerLimits(services_.settings)), RecognizerCount());
  import_ = new ImportController(
      services_, *html_, [this] { list_->FitColumnWidths(ListRows::kColumns, -1); }, recognizers, this);
  connect(list_, &CLeftView::filesDropped, import_, &ImportController::DropFiles);
  connect(list_, &CLeftView::linkDropped, import_, &ImportController::DropLink);
  // The inbox's worker reads and writes the user's settings file through its own object.
  inbox_ = new InboxWatcher(
      services_.settings,
      [this]() -> std::unique_ptr<Settings> {
        if (auto* own = dynamic_cast<QtSettings*>(&services_.settings))
          return std::make_unique<QtSettings>(own->FileName());
        return nullptr;
      },
      recognizers, this);
  connect(inbox_, &InboxWatcher::recordStored, this, [this](const QString& serial, const IndexRecord& stored) {
    // Appended as an import appends its record, without taking the selection from the user.
    IndexRecord record = stored;
    AppendRecordRow(services_.list, record, serial.toStdString(), kMarkAvailable, false);
    if (services_.settings.GetInt(setting::ColumnMnt) == 1) list_->FitColumnWidths(ListRows::kColumns, -1);
  });

  BuildActions();
  ConnectListDialogs();
  ribbon_ = new CMyRibbonBar(services_, CollectRibbonActions(), this);
  setMenuWidget(ribbon_);
  BuildStatusBar();
  setCentralWidget(splitter_);
  list_->RestoreColumnWidths();

  connect(list_, &CLeftView::listStateChanged, this, &CMainFrame::UpdateCommandStates);
  connect(html_, &CShelfView::pageTypeChanged, this, [this](const QString& pageType) {
    ribbon_->ShowPageType(pageType);
    UpdateCommandStates();
  });
  connect(html_, &CShelfView::loadingChanged, &progress_, &QtProgress::SetLoading);
  connect(html_, &CShelfView::statusTextChanged, this,
          [this](const QString& text) { progress_.SetPaneText(StatusPane::Url, ToCp932(text)); });

  // F6 and Shift+F6: the focus to the next and the previous pane.
  auto* next = new QShortcut(QKeySequence(Qt::Key_F6), this);
  connect(next, &QShortcut::activated, this, [this] { MoveFocusBetweenPanes(true); });
  auto* previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), this);
  connect(previous, &QShortcut::activated, this, [this] { MoveFocusBetweenPanes(false); });

  // The smallest window the ribbon and the two areas are laid out for.
  setMinimumSize(1024, 640);
  resize(1280, 820);
  UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
  if (services_.html == html_) services_.html = nullptr;
}

QAction* CMainFrame::MakeAction(const char* id, void (CMainFrame::*handler)()) {
  auto* action = new QAction(this);
  action->setObjectName(QString::fromLatin1(id));
  connect(action, &QAction::triggered, this, handler);
  return action;
}

void CMainFrame::BuildActions() {
  kanSet_ = MakeAction("ID_KAN_SET", &CMainFrame::OnKanSet);
  kanSet_->setText(QStringLiteral("環境設定(&K)"));
  about_ = MakeAction("ID_APP_ABOUT", &CMainFrame::OnAbout);
  about_->setText(QStringLiteral("バージョン情報(&A)"));
  exit_ = new QAction(QStringLiteral("終了(&X)"), this);
  exit_->setObjectName(QStringLiteral("ID_APP_EXIT"));
  connect(exit_, &QAction::triggered, this, &QWidget::close);
  help_ = MakeAction("ID_HELP", &CMainFrame::OnHelp);
  getPdf_ = MakeAction("ID_GET_PDF", &CMainFrame::OnGetPdf);
  getWord_ = MakeAction("ID_GET_WORD", &CMainFrame::OnGetWord);
  optWord_ = MakeAction("ID_OPT_WORD", &CMainFrame::OnOptWord);
  webSearch_ = MakeAction("ID_BUTTON7", &CMainFrame::OnWebSearch);

  // The web search filters: one of four, checked while it is the filter.
  webFilterGroup_ = new QActionGroup(this);
  webFilterGroup_->setExclusive(true);
  static const char* const kFilterIds[] = {"ID_BUTTON8", "ID_BUTTON9", "ID_BUTTON10", "ID_BUTTON11"};
  for (int i = 0; i < 4; ++i) {
    QAction* filter = new QAction(this);
    filter->setObjectName(QString::fromLatin1(kFilterIds[i]));
    filter->setCheckable(true);
    webFilterGroup_->addAction(filter);
    connect(filter, &QAction::triggered, this, [this, i] { SetWebSearchFilter(i); });
    webFilters_[i] = filter;
  }
  webFilters_[0]->setChecked(true);

  // The area menu's items (resource 321: 311, 32820, 32821).
  struct AreaItem {
    const char* id;
    const char* label;
    int command;
    void (CMainFrame::*handler)();
  };
  const AreaItem kAreaItems[] = {{"ID_AREA_EVEN", "均等表示", 311, &CMainFrame::OnAreaEven},
                                 {"ID_AREA_HTML", "ＨＴＭＬエリア", 32820, &CMainFrame::OnAreaHtml},
                                 {"ID_AREA_LIST", "リストエリア", 32821, &CMainFrame::OnAreaList}};
  for (int i = 0; i < 3; ++i) {
    QAction* item = MakeAction(kAreaItems[i].id, kAreaItems[i].handler);
    item->setText(QString::fromUtf8(kAreaItems[i].label));
    item->setProperty("commandId", kAreaItems[i].command);
    areaItems_[i] = item;
  }
  changeArea_ = MakeAction("ID_CHANGE_AREA", &CMainFrame::OnChangeArea);
  dbSearch_ = MakeAction("ID_DB_SEARCH", &CMainFrame::OnDbSearch);
  saveList_ = MakeAction("IDC_SAVE_LIST", &CMainFrame::OnSaveList);
  listKanri_ = MakeAction("IDC_LIST_KANRI", &CMainFrame::OnListKanri);
}

// The list's commands that open a record dialog run here, so the list view needs no dialog.
void CMainFrame::ConnectListDialogs() {
  // A hit's PDF in the HTML area opens at the term's first place, its places highlighted.
  connect(list_, &CLeftView::pdfShownInHtmlArea, this, [this] {
    if (!pdfPlaces_) pdfPlaces_ = new PdfPlaces(*html_->PdfPane());
    if (const std::shared_ptr<const PlaceMatcher>& matcher = list_->CurrentPlaceMatcher()) {
      // The list's places of the row, when found already in the document's pages, tell the
      // page the first place is on.
      const Places* known = list_->PlacesOfRow(services_.list.FirstSelectedRow());
      const int first = known && known->fromDocument && !known->places.empty() ? known->places[0].page : 0;
      pdfPlaces_->Show(*matcher, first);
    } else {
      pdfPlaces_->Clear();
    }
  });
  auto* find = new QShortcut(QKeySequence::Find, html_->PdfPane(), nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
  find->setObjectName(QStringLiteral("PdfFindShortcut"));
  connect(find, &QShortcut::activated, this, &CMainFrame::FindInPdf);
  connect(list_->CommandAction(CLeftView::kKeywordEdit), &QAction::triggered, this,
          [this] { RunKeywordEdit(services_, this); });
  connect(list_->CommandAction(CLeftView::kShowText), &QAction::triggered, this,
          [this] { RunTextDialog(services_, this, list_->CurrentPlaceMatcher().get(), placeTerm_); });
  connect(list_->CommandAction(CLeftView::kProperties), &QAction::triggered, this, [this] {
    RunPropertyDialog(services_, this, [this](int row) { list_->scrollTo(list_->model()->index(row, 0)); });
  });
}

void CMainFrame::FindInPdf() {
  CPdfPane& pane = *html_->PdfPane();
  if (!pane.HasDocument()) return;
  QInputDialog dialog(this);
  dialog.setObjectName(QStringLiteral("PdfFindDialog"));
  dialog.setWindowTitle(QString::fromUtf8(MessageTextUtf8(Msg::PdfFindTitle)));
  dialog.setLabelText(QString::fromUtf8(MessageTextUtf8(Msg::PdfFindLabel)));
  dialog.setTextValue(pdfFindTerm_);
  if (Modal::Run(dialog) != QDialog::Accepted) return;
  const QString term = dialog.textValue().trimmed();
  if (term.isEmpty()) return;
  pdfFindTerm_ = term;
  // The term is matched as a body search would match it (表記ゆれ as the search tab says).
  SearchConditions conditions;
  conditions.goku[4] = NormalizeSearchTerm(ToCp932(term));
  conditions.flags.yure = services_.settings.GetInt(setting::Yure) != 0;
  conditions.hasTextCondition = true;
  if (!pdfPlaces_) pdfPlaces_ = new PdfPlaces(pane);
  // A document without the term is said so once every page has been read.
  auto reportNone = [this] {
    if (pdfPlaces_->Count() == 0) services_.prompter.Information(Msg::PdfFindNone);
  };
  if (pdfPlaces_->Show(PlaceMatcher(conditions))) return;
  if (pdfPlaces_->Complete())
    reportNone();
  else
    connect(pdfPlaces_, &PdfPlaces::completed, this, reportNone, Qt::SingleShotConnection);
}

RibbonActions CMainFrame::CollectRibbonActions() const {
  RibbonActions actions;
  actions.kanSet = kanSet_;
  actions.about = about_;
  actions.exit = exit_;
  actions.help = help_;
  actions.getPdf = getPdf_;
  actions.getWord = getWord_;
  actions.optWord = optWord_;
  actions.webSearch = webSearch_;
  actions.webFilters = webFilters_;
  actions.areaItems = areaItems_;
  actions.changeArea = changeArea_;
  actions.dbSearch = dbSearch_;
  actions.listKanri = listKanri_;
  actions.saveList = saveList_;
  actions.colColor = list_->ColColorAction();
  actions.sortUp = list_->SortUpAction();
  actions.sortDown = list_->SortDownAction();
  actions.excelOut = list_->ExcelOutAction();
  actions.loadList = list_->LoadListAction();
  actions.listClear = list_->ListClearAction();
  return actions;
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

  // The inbox's counter, shown while it stores a file.
  inboxCounter_ = new QLabel(bar);
  inboxCounter_->setObjectName(QStringLiteral("InboxCounter"));
  inboxCounter_->setAccessibleName(QStringLiteral("受信フォルダ"));
  inboxCounter_->hide();
  bar->insertPermanentWidget(0, inboxCounter_);
  connect(inbox_, &InboxWatcher::counterChanged, this, [this](const QString& text) {
    inboxCounter_->setText(text);
    inboxCounter_->setVisible(!text.isEmpty());
    if (!text.isEmpty()) progress_.SetPaneText(StatusPane::Url, ToCp932(text));
  });
  connect(inbox_, &InboxWatcher::logged, this,
          [this](const QString& line) { progress_.SetPaneText(StatusPane::Url, ToCp932(line)); });
}

void CMainFrame::ApplyInbox() { inbox_->Apply(services_.store.Location()); }

void CMainFrame::StopInbox() { inbox_->Stop(); }

void CMainFrame::UpdateCommandStates() {
  CommandState state;
  state.listHasRows = services_.list.RowCount() > 0;
  state.selectedColumn = list_->SelectedColumn();
  state.pageType = html_->PageType();
  const CommandEnabling enabling = EnableCommands(state);
  list_->SortUpAction()->setEnabled(enabling.sort);
  list_->SortDownAction()->setEnabled(enabling.sort);
  list_->ListClearAction()->setEnabled(enabling.listRows);
  list_->ExcelOutAction()->setEnabled(enabling.listRows);
  saveList_->setEnabled(enabling.listRows);
  getPdf_->setEnabled(enabling.shownPdf);
  getWord_->setEnabled(enabling.shownPdf);
  ribbon_->ApplyEnabling(enabling);
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

void CMainFrame::SetWebSearchFilter(int filter) {
  if (filter < 0 || filter > 3) filter = 0;
  webSearchFilter_ = filter;
  webFilters_[filter]->setChecked(true);
}

void CMainFrame::SaveFrameState() {
  Settings& settings = services_.settings;
  // A percent-encoded address is plain ASCII: the setting keeps it byte for byte.
  const std::string url = html_->GetLocationURL();
  if (!url.empty()) settings.SetText(setting::DspPage, Utf8ToCp932(url));
  settings.SetInt(setting::CxCur, splitter_->sizes().value(0));
  const bool maximised = isMaximized();
  settings.SetInt(setting::Zoomed, maximised ? 1 : 0);
  settings.SetInt(setting::DocType, webSearchFilter_);
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

// ---- the commands ----

void CMainFrame::OnKanSet() {
  EditSettings(services_, this);
  ApplyInbox();
}

void CMainFrame::OnAbout() {
  CAboutDlg about(this);
  Modal::Run(about);
}

void CMainFrame::OnHelp() {
  const QString folder = QCoreApplication::applicationDirPath();
  if (folder.isEmpty()) return;
  // Beside the program (a build tree), else where an installation keeps it.
  for (const QString& manual :
       {folder + QStringLiteral("/Manual.pdf"), folder + QStringLiteral("/../share/doc/folidex/Manual.pdf")}) {
    if (QFileInfo::exists(manual)) {
      html_->Navigate2(QFileInfo(manual).canonicalFilePath().toStdString());
      return;
    }
  }
  services_.prompter.Information(Msg::ManualMissing);
}

void CMainFrame::OnGetPdf() { import_->ImportShownPdf(); }

void CMainFrame::OnGetWord() { RunWordOutputCommand(services_, *html_, import_->Viewer()); }

void CMainFrame::OnOptWord() {
  const long optWord = services_.settings.GetInt(setting::OptWord) != 0 ? 0 : 1;
  services_.settings.SetInt(setting::OptWord, optWord);
  ribbon_->ShowOptWord(optWord);
}

void CMainFrame::OnWebSearch() {
  const QString typed = ribbon_->WebSearchText();
  if (typed.isEmpty()) return;
  const std::string text = ToCp932(typed);
  html_->Navigate2(Cp932ToUtf8(WebSearchAddress(kWebSearchBase, text, webSearchFilter_)));
  services_.settings.SetText(setting::WebGoku, text);
}

void CMainFrame::OnAreaEven() { SetLeftPaneWidth(splitter_->width() / 2); }
void CMainFrame::OnAreaHtml() { SetLeftPaneWidth(splitter_->width()); }
void CMainFrame::OnAreaList() { SetLeftPaneWidth(0); }

void CMainFrame::OnChangeArea() {
  if (services_.prompter.AskYesNo(Msg::SwapAreasQuestion) != Answer::Yes) return;
  const long area = services_.settings.GetInt(setting::Area);
  services_.settings.SetInt(setting::Area, area == 0 ? 1 : 0);
  services_.prompter.Information(Msg::AreasSwapped);
}

void CMainFrame::OnDbSearch() {
  SearchInputs inputs = ribbon_->CurrentSearchInputs();
  SearchConditions conditions;
  const bool go = CollectSearchConditions(inputs, services_.list, services_.settings, services_.prompter, conditions);
  // The edits show the bounds as collected (swapped when the user agreed).
  ribbon_->SetDateTexts(inputs.date1Text, inputs.date2Text);
  if (!go) return;
  searching_ = true;
  // Esc cancels what runs: the index build, then the search itself.
  EscapeWatch escape;
  // The first search that the index could answer builds it (the next ones answer at once).
  // Cancelling the build does not cancel the search: it reads every record, as it does
  // whenever there is no index, and a second Esc stops that too. A build the user stopped is
  // not started again by the next searches of this session: they read every record.
  bool buildCancelled = false;
  const std::string root = services_.store.StoreRoot();
  if (services_.settings.GetInt(setting::Index) == 1 && IndexCanNarrow(conditions) && root != indexBuildStopped_ &&
      IndexNeedsBuild(root)) {
    WaitCursor wait(progress_);
    BuildIndexWithProgress(services_.store, progress_, [&escape] { return escape.Cancelled(); });
    buildCancelled = escape.Cancelled();
    if (buildCancelled) indexBuildStopped_ = root;
    escape.Reset();
  }
  SearchRunOptions options;
  options.cancelled = [&escape] { return escape.Cancelled(); };
  const SearchRunResult result = RunDbSearch(conditions, services_.store, services_.list, services_.settings,
                                             services_.prompter, progress_, services_.clock, options);
  // The search's end clears pane 120: it says again why this search read every record.
  if (buildCancelled && !result.cancelled)
    progress_.SetPaneText(StatusPane::Url, MessageText(Msg::IndexBuildCancelled));
  searching_ = false;
  // The term's places in the hits: the list's tooltips, the text dialog and the PDF pane.
  list_->SetPlaceMatcher(std::make_shared<const PlaceMatcher>(conditions));
  placeTerm_ = ToQString(conditions.flags.zenbun ? conditions.rawFullTextTerm : inputs.editTexts[4]);
}

void CMainFrame::OnSaveList() { list_->OnSaveList(ribbon_->ListNameText()); }

void CMainFrame::OnListKanri() {
  CListDlg dialog(
      services_.store, services_.prompter,
      [this](const std::string& oldName, QWidget* owner) { return RenameSavedList(services_, oldName, owner); }, this);
  Modal::Run(dialog);
}

void CMainFrame::OpenFiles(const QStringList& files) {
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
  if (!files.isEmpty()) import_->OpenFiles(files);
}

}  // namespace folidex
