#include "list/CLeftView.h"

#include <QTimer>

#include <optional>

#include <QAction>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>
#include <QThreadPool>
#include <QUrl>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/HtmlArea.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "common/qt/Modal.h"
#include "common/qt/QtDesktopOpener.h"
#include "common/qt/QtText.h"
#include "common/qt/QtTextMeasure.h"
#include "html/qt/LinkDropData.h"
#include "list/ColumnFit.h"
#include "list/DuplicateCheck.h"
#include "list/ListCommands.h"
#include "list/ListRows.h"
#include "list/ListSort.h"
#include "list/RecordCommands.h"
#include "list/SpreadsheetExport.h"
#include "list/qt/ListDelegate.h"
#include "list/qt/ListModel.h"
#include "pdf/WorkerEngine.h"
#include "store/Record.h"
#include "store/Store.h"

namespace folidex {
namespace {

CLeftView* instance = nullptr;

// COLORREF: red in the low byte.
long ToColorRef(const QColor& color) {
  return static_cast<long>(color.red()) | (static_cast<long>(color.green()) << 8) |
         (static_cast<long>(color.blue()) << 16);
}
QColor FromColorRef(long value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

struct MenuItem {
  int id;
  const char* text;
  const char* key;  // the list's own shortcut, or nullptr
};

// Menu 326, in order; separators follow the second, fourth and sixth items.
constexpr MenuItem kRowMenu[] = {
    {CLeftView::kRemoveFromList, "リストから削除(&L)\tDelete  【複数可】", "Delete"},
    {CLeftView::kDeleteFromStore, "データベースから削除(&D)\t【複数可】", nullptr},
    {CLeftView::kDuplicateCheck, "重複データのチェック(&W)\tリスト内 or すべて", nullptr},
    {CLeftView::kClearDuplicates, "チェック結果クリア(&C)\tCtrl+F5", "Ctrl+F5"},
    {CLeftView::kSelectAll, "すべて選択(&A)\tCtrl+A", "Ctrl+A"},
    {CLeftView::kRefresh, "最新の情報に更新(&R)\tF5", "F5"},
    {CLeftView::kOpenPdf, "このデータのPDFを直接表示(&K)\tWClick 「№」", nullptr},
    {CLeftView::kShowInHtmlArea, "このデータのPDFをHTMLエリアに表示(&G)\tWClick 「Serial №」", nullptr},
    {CLeftView::kShowText, "このデータのテキスト(&T)\tWClick 「テキスト(Byte)」", nullptr},
    {CLeftView::kProperties, "このデータのプロパティ(&P)\tWClick 上記以外の列", nullptr},
};
constexpr MenuItem kKeywordItem = {CLeftView::kKeywordEdit, "キーワード修正(&K)", nullptr};

}  // namespace

CLeftView::CLeftView(Services& services, QWidget* parent)
    : QTableView(parent),
      services_(services),
      model_(new ListModel(services.list, this)),
      delegate_(new ListDelegate(this)),
      selCol_(static_cast<int>(services.settings.GetInt(setting::SelCol))),
      colColor_(FromColorRef(LeadingNumber(services.settings.GetText(setting::ColColor)))) {
  setObjectName(QStringLiteral("CLeftView"));
  instance = this;

  setModel(model_);
  setItemDelegate(delegate_);
  delegate_->SetSelectedColumn(selCol_);
  delegate_->SetColumnColor(colColor_);
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSortingEnabled(false);
  setWordWrap(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setMouseTracking(true);
  // Files dropped on the list are imported; selected rows dragged out offer their files.
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::CopyAction);
  verticalHeader()->setVisible(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);

  QHeaderView* header = horizontalHeader();
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setStretchLastSection(false);
  header->setMinimumSectionSize(0);
  header->setDefaultAlignment(Qt::AlignCenter);
  // The divider double-click asks how much to fit instead of Qt's own resize to contents.
  disconnect(header, &QHeaderView::sectionHandleDoubleClicked, this, nullptr);
  connect(header, &QHeaderView::sectionClicked, this, &CLeftView::OnHeaderClicked);
  connect(header, &QHeaderView::sectionHandleDoubleClicked, this, &CLeftView::OnHeaderHandleDoubleClicked);
  connect(this, &QAbstractItemView::doubleClicked, this, &CLeftView::OnRowDoubleClicked);

  connect(model_, &ListModel::coreSelectionChanged, this, &CLeftView::ScheduleSelectionFromCore);
  connect(model_, &ListModel::coreRowsInserted, this, &CLeftView::SelectInsertedRows);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &CLeftView::SelectionToCore);
  for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
    connect(model_, signal, this, [this] { emit listStateChanged(); });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { emit listStateChanged(); });

  // The selection stays visible in its active colours when the list has no focus.
  QPalette p = palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(p);

  tip_ = new QLabel(this, Qt::ToolTip);
  tip_->setObjectName(QStringLiteral("ListTip"));
  tip_->setWordWrap(true);
  tip_->setMaximumWidth(512);
  tip_->setMargin(4);
  tip_->setForegroundRole(QPalette::ToolTipText);
  tip_->setBackgroundRole(QPalette::ToolTipBase);
  tip_->setAutoFillBackground(true);
  tip_->hide();

  BuildActions();
  RestoreColumnWidths();
  SelectionFromCore();
}

CLeftView::~CLeftView() {
  if (instance == this) instance = nullptr;
  // A row's places being found use the PDF engine and post to this view: done before either goes.
  if (placesThread_) {
    placesThread_->clear();
    placesThread_->waitForDone();
  }
}

CLeftView* CLeftView::Instance() { return instance; }

void CLeftView::BuildActions() {
  // The menu commands. Text, properties and the keyword edit open record dialogs: the main
  // frame connects those; the others run here.
  auto make = [this](const MenuItem& item) {
    auto* action = new QAction(QString::fromUtf8(item.text), this);
    action->setObjectName(QStringLiteral("ID_%1").arg(item.id));
    if (item.key) {
      action->setShortcut(QKeySequence(QString::fromLatin1(item.key)));
      action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
      addAction(action);  // the list's own keys
    }
    const int id = item.id;
    connect(action, &QAction::triggered, this, [this, id] {
      emit commandRun(id);
      RunListCommand(id);
    });
    actions_[id] = action;
    return action;
  };
  rowMenu_ = new QMenu(this);
  rowMenu_->setObjectName(QStringLiteral("RowMenu"));
  for (std::size_t i = 0; i < std::size(kRowMenu); ++i) {
    rowMenu_->addAction(make(kRowMenu[i]));
    if (i == 1 || i == 3 || i == 5) rowMenu_->addSeparator();
  }
  keywordMenu_ = new QMenu(this);
  keywordMenu_->setObjectName(QStringLiteral("KeywordMenu"));
  keywordMenu_->addAction(make(kKeywordItem));

  // The commands of the ribbon's list panel.
  auto ribbon = [this](const char* id, void (CLeftView::*slot)()) {
    auto* action = new QAction(this);
    action->setObjectName(QString::fromLatin1(id));
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  colColorAction_ = ribbon("ID_COL_COLOR", &CLeftView::OnColColor);
  sortUp_ = ribbon("ID_SORT_U", &CLeftView::OnSortUp);
  sortDown_ = ribbon("ID_SORT_D", &CLeftView::OnSortDown);
  listClear_ = ribbon("ID_LIST_CLEAR", &CLeftView::OnListClear);
  loadList_ = ribbon("IDC_LOAD_LIST", &CLeftView::OnLoadList);
  excelOut_ = ribbon("ID_EXCEL_OUT3", &CLeftView::OnExcelOut);
}

// ---- widths ----

void CLeftView::RestoreColumnWidths() {
  QtTextMeasure measure(fontMetrics());
  for (int i = 0; i < ListRows::kColumns; ++i) {
    // Without a stored width (a first start) a column fits its title, so the titles can be read.
    long width = services_.settings.Stored(setting::ColumnWidth(i)) ? services_.settings.GetInt(setting::ColumnWidth(i))
                                                                    : TitleColumnWidth(measure, i);
    if (width > kMaxFittedColumnWidth) width = 20;
    setColumnWidth(i, i == 0 ? 50 : static_cast<int>(width));
  }
}

void CLeftView::SaveColumnWidths() {
  for (int i = 0; i < ListRows::kColumns; ++i) services_.settings.SetInt(setting::ColumnWidth(i), columnWidth(i));
}

void CLeftView::FitColumnWidths(int columnCount, int column) {
  QtTextMeasure measure(fontMetrics());
  for (const ColumnWidth& fit : folidex::FitColumnWidths(measure, services_.list, columnCount, column))
    setColumnWidth(fit.column, fit.width);
}

void CLeftView::FitColumnWidthsInSteps() {
  // One measure for the whole run: what it learns of the font serves every column.
  stepMeasure_ = std::make_unique<QtTextMeasure>(fontMetrics());
  const int run = ++fitStep_;
  QTimer::singleShot(0, this, [this, run] { FitColumnStep(run, 0); });
}

void CLeftView::FitColumnStep(int run, int column) {
  if (run != fitStep_ || !stepMeasure_) return;
  for (const ColumnWidth& fit : folidex::FitColumnWidths(*stepMeasure_, services_.list, ListRows::kColumns, column))
    setColumnWidth(fit.column, fit.width);
  if (column + 1 < ListRows::kColumns)
    QTimer::singleShot(0, this, [this, run, column] { FitColumnStep(run, column + 1); });
  else
    stepMeasure_.reset();
}

// ---- enabling ----

bool CLeftView::CanSort() const { return selCol_ > 0; }
bool CLeftView::HasRows() const { return services_.list.RowCount() > 0; }

// ---- header ----

void CLeftView::OnHeaderClicked(int column) {
  if (column == selCol_) return;
  selCol_ = column;
  services_.settings.SetInt(setting::SelCol, column);
  delegate_->SetSelectedColumn(column);
  viewport()->update();
  emit listStateChanged();
}

void CLeftView::OnHeaderHandleDoubleClicked(int column) {
  switch (services_.prompter.AskYesNoCancel(Msg::FitColumnsQuestion)) {
    case Answer::Yes:
      FitColumnWidths(ListRows::kColumns, column);
      break;
    case Answer::No:
      FitColumnWidths(ListRows::kColumns, -1);
      break;
    default:
      break;
  }
}

// ---- rows ----

int CLeftView::DoubleClickCommand(int column) {
  switch (static_cast<ListColumn>(column)) {
    case ListColumn::No:
      return kOpenPdf;
    case ListColumn::SerialNo:
      return kShowInHtmlArea;
    case ListColumn::TextSize:
      return kShowText;
    default:
      return kProperties;
  }
}

void CLeftView::OnRowDoubleClicked(const QModelIndex& index) {
  if (index.isValid()) RunCommand(DoubleClickCommand(index.column()));
}

void CLeftView::RunCommand(int id) {
  if (QAction* action = actions_.count(id) ? actions_.at(id) : nullptr) action->trigger();
}

void CLeftView::RunListCommand(int id) {
  ListRows& list = services_.list;
  switch (id) {
    case kRemoveFromList:
      RemoveFromList(list, services_.prompter);
      break;
    case kDeleteFromStore:
      DeleteFromStore(list, services_.store, services_.prompter, services_.clock);
      break;
    case kDuplicateCheck:
      DuplicateCheckCommand(list, services_.store, services_.prompter, services_.progress);
      break;
    case kClearDuplicates:
      ClearDuplicateCheck(list);
      break;
    case kSelectAll:
      SelectAllRows(list);
      break;
    case kRefresh:
      RefreshList(list, services_.store, services_.progress);
      break;
    case kOpenPdf:
      OpenPdf();
      break;
    case kShowInHtmlArea:
      ShowPdfInHtmlArea();
      break;
    default:
      break;  // the record dialogs: connected by the main frame
  }
  viewport()->update();
}

std::optional<DocumentLocation> CLeftView::FirstSelectedDocument() {
  ListRows& list = services_.list;
  int row = list.FirstSelectedRow();
  if (row < 0) return std::nullopt;
  DocumentLocation location = ResolveDocumentPath(services_.store, list.Cell(row, ListColumn::SerialNo),
                                                  list.Cell(row, ListColumn::Link), list.Cell(row, ListColumn::Source));
  if (location.mark != kMarkAvailable) return std::nullopt;
  return location;
}

void CLeftView::OpenPdf() {
  std::optional<DocumentLocation> location = FirstSelectedDocument();
  if (!location) return;
  // A web link has no file: the desktop's browser opens its address instead.
  const ListRows& list = services_.list;
  const std::string source = list.Cell(list.FirstSelectedRow(), ListColumn::Source);
  QtDesktopOpener desktop;
  const bool opened = location->path.empty() ? QtDesktopOpener::OpenAddress(QString::fromStdString(Cp932ToUtf8(source)))
                                             : OpenWithDesktop(desktop, location->path);
  if (!opened) services_.prompter.Error(Msg::PdfViewerStartFailed);
}

void CLeftView::ShowPdfInHtmlArea() {
  std::optional<DocumentLocation> location = FirstSelectedDocument();
  if (!location || !services_.html) return;
  services_.html->Navigate2(location->path);
  emit pdfShownInHtmlArea();
}

// ---- context menu and tooltips ----

void CLeftView::contextMenuEvent(QContextMenuEvent* event) {
  QModelIndex index = indexAt(viewport()->mapFromGlobal(event->globalPos()));
  if (!index.isValid()) return;
  HideTip();
  ContextMenuFor(index.column())->popup(event->globalPos());
}

QString CLeftView::TipTextFor(int column) {
  if (column == ColumnIndex(ListColumn::Keywords))
    return QString::fromUtf8(
        "(RClick Menu)\nキーワードの複数行一括変更\n※ 複数行選択方法\n　 Shift + Click 範囲指定選択\n"
        "　 Ctrl + Click  個別選択/選択解除");
  const char* what = column == ColumnIndex(ListColumn::No)         ? "PDFを直接"
                     : column == ColumnIndex(ListColumn::SerialNo) ? "PDFをHTMLエリアに"
                     : column == ColumnIndex(ListColumn::TextSize) ? "テキストを"
                                                                   : "プロパティを";
  return QString::fromUtf8("(WClick)\nこのデータの") + QString::fromUtf8(what) + QString::fromUtf8("表示");
}

QString CLeftView::TipText() const { return tip_->isVisible() ? tip_->text() : QString(); }

void CLeftView::HideTip() {
  tip_->hide();
  lastTipColumn_ = -1;
  lastTipRow_ = -1;
}

// ---- places of the search term ----

namespace {

constexpr std::size_t kTipPlaces = 3;
constexpr std::size_t kCachedRows = 32;

bool ShowsPlaces(int column) {
  return column == ColumnIndex(ListColumn::Title) || column == ColumnIndex(ListColumn::TextSize);
}

}  // namespace

void CLeftView::SetPlaceMatcher(std::shared_ptr<const PlaceMatcher> matcher) {
  placeMatcher_ = matcher && matcher->HasTerm() ? std::move(matcher) : nullptr;
  placesCache_.clear();
  placesPending_.clear();
  ++placesGeneration_;  // what is still being found belongs to the search before
  HideTip();
}

const Places* CLeftView::PlacesOfRow(int row) {
  const ListRows& list = services_.list;
  if (!placeMatcher_ || row < 0 || row >= list.RowCount()) return nullptr;
  const std::string serial = list.Cell(row, ListColumn::SerialNo);
  for (const auto& [cached, places] : placesCache_)
    if (cached == serial) return &places;
  if (!placesPending_.insert(serial).second) return nullptr;
  if (!placesThread_) {
    const std::string worker = WorkerProgramPath();
    if (!worker.empty()) {
      placesPool_ =
          std::make_unique<WorkerPool>(std::vector<std::string>{worker}, ReadWorkerLimits(services_.settings));
      placesPdf_ = std::make_unique<WorkerPdfEngine>(*placesPool_);
    }
    placesThread_ = std::make_unique<QThreadPool>();
    placesThread_->setMaxThreadCount(1);
  }
  // The store names the files here; the worker thread only reads them (the matcher is shared
  // read-only, its buffers are the thread's own).
  placesThread_->start([this, matcher = placeMatcher_, files = PlaceFilesOfRecord(services_.store, serial),
                        pdf = placesPdf_.get(), generation = placesGeneration_, serial] {
    auto places = std::make_shared<Places>(FindPlacesOfRecordFiles(*matcher, files, pdf, kTipPlaces));
    QMetaObject::invokeMethod(
        this, [this, generation, serial, places] { OnPlacesFound(generation, serial, std::move(*places)); },
        Qt::QueuedConnection);
  });
  return nullptr;
}

void CLeftView::OnPlacesFound(std::uint64_t generation, const std::string& serial, Places places) {
  if (generation != placesGeneration_ || !placesPending_.erase(serial)) return;
  if (placesCache_.size() >= kCachedRows) placesCache_.pop_front();
  placesCache_.emplace_back(serial, std::move(places));
  // The tooltip over that row, and pane 120 when it is the selected row, now with its places.
  if (hoverPos_) {
    const QModelIndex index = indexAt(*hoverPos_);
    if (index.isValid() && services_.list.Cell(index.row(), ListColumn::SerialNo) == serial) {
      lastTipRow_ = -1;
      UpdateTip(*hoverPos_);
    }
  }
  const int selected = services_.list.FirstSelectedRow();
  if (selected >= 0 && services_.list.Cell(selected, ListColumn::SerialNo) == serial) ShowFirstPlace();
  emit placesFound(serial);
}

void CLeftView::ShowFirstPlace() {
  const Places* places = PlacesOfRow(services_.list.FirstSelectedRow());
  services_.progress.SetPaneText(StatusPane::Url,
                                 places && !places->places.empty() ? PlaceLine(places->places[0]) : std::string());
}

QString CLeftView::PlacesTipHtml(const Places& places) {
  if (places.places.empty()) return {};
  QString html;
  for (const Place& place : places.places) {
    if (!html.isEmpty()) html += QStringLiteral("<br>");
    if (place.page != kUnknownPage) html += QStringLiteral("[%1] ").arg(place.page + 1);
    html += ToQString(place.before).toHtmlEscaped() + QStringLiteral("<b>") + ToQString(place.term).toHtmlEscaped() +
            QStringLiteral("</b>") + ToQString(place.after).toHtmlEscaped();
  }
  if (places.count > places.places.size())
    html += QStringLiteral("<br>") +
            QString::fromUtf8(MessageTextUtf8(Msg::PlacesMore)).arg(places.count - places.places.size());
  return html;
}

QString CLeftView::TipTextForCell(int row, int column) {
  const bool selected = services_.list.IsSelected(row);
  QString placesHtml;
  if (placeMatcher_ && ShowsPlaces(column))
    if (const Places* places = PlacesOfRow(row)) placesHtml = PlacesTipHtml(*places);
  if (placesHtml.isEmpty()) return selected ? TipTextFor(column) : QString();
  if (!selected) return placesHtml;
  return TipTextFor(column).toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")) +
         QStringLiteral("<br>") + placesHtml;
}

void CLeftView::UpdateTip(const QPoint& pos) {
  QModelIndex index = indexAt(pos);
  if (!index.isValid() ||
      (!services_.list.IsSelected(index.row()) && !(placeMatcher_ && ShowsPlaces(index.column())))) {
    HideTip();
    return;
  }
  if (index.column() == lastTipColumn_ && index.row() == lastTipRow_) return;
  const QString text = TipTextForCell(index.row(), index.column());
  if (text.isEmpty()) {
    HideTip();
    return;
  }
  tip_->hide();
  tip_->setTextFormat(text.startsWith(QLatin1Char('(')) && !text.contains(QStringLiteral("<br>")) ? Qt::PlainText
                                                                                                  : Qt::RichText);
  tip_->setText(text);
  tip_->adjustSize();
  tip_->move(viewport()->mapToGlobal(pos) + QPoint(12, 18));
  tip_->show();
  lastTipColumn_ = index.column();
  lastTipRow_ = index.row();
}

void CLeftView::mousePressEvent(QMouseEvent* event) {
  // A press on a selected row may start a drag of the selection; a press elsewhere selects, and
  // moving on from there extends the selection as before.
  const QModelIndex index = indexAt(event->position().toPoint());
  setDragEnabled(event->button() == Qt::LeftButton && index.isValid() && selectionModel()->isSelected(index));
  QTableView::mousePressEvent(event);
}

QMimeData* CLeftView::DraggedFiles() {
  QList<QUrl> urls;
  for (const std::string& path : SelectedDocumentFiles(services_.store, services_.list))
    urls << QUrl::fromLocalFile(QString::fromStdString(path));
  if (urls.isEmpty()) return nullptr;
  auto* data = new QMimeData;
  data->setUrls(urls);
  return data;
}

void CLeftView::startDrag(Qt::DropActions) {
  QMimeData* data = DraggedFiles();
  if (!data) return;  // no selected row has a file to give
  auto* drag = new QDrag(this);
  drag->setMimeData(data);
  drag->setPixmap(
      QIcon::fromTheme(QStringLiteral("application-pdf"), style()->standardIcon(QStyle::SP_FileIcon)).pixmap(32, 32));
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void CLeftView::mouseMoveEvent(QMouseEvent* event) {
  QTableView::mouseMoveEvent(event);
  hoverPos_ = event->position().toPoint();
  UpdateTip(*hoverPos_);
}

void CLeftView::leaveEvent(QEvent* event) {
  hoverPos_.reset();
  HideTip();
  QTableView::leaveEvent(event);
}

// ---- dropped files and links ----

namespace {

// A drop the list takes: local files, or a web link ("copy" for a link, as for files).
bool TakesDrop(const QDropEvent* event, const QObject* list) {
  // The list's own rows dragged back onto it are no new documents.
  if (event->source() == list) return false;
  const QMimeData* data = event->mimeData();
  if (!data) return false;
  const DroppedLink dropped = ReadDroppedLink(data);
  return dropped.kind == DropKind::Files || OffersWebLink(data);
}

}  // namespace

void CLeftView::dragEnterEvent(QDragEnterEvent* event) {
  if (!TakesDrop(event, this)) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void CLeftView::dragMoveEvent(QDragMoveEvent* event) {
  if (!TakesDrop(event, this)) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void CLeftView::dropEvent(QDropEvent* event) {
  if (!TakesDrop(event, this)) {
    event->ignore();
    return;
  }
  const DroppedLink dropped = ReadDroppedLink(event->mimeData());
  switch (dropped.kind) {
    case DropKind::Files: {
      QStringList files;
      for (const std::string& path : dropped.files) files << QString::fromStdString(path);
      event->setDropAction(Qt::CopyAction);
      event->accept();
      emit filesDropped(files);
      return;
    }
    case DropKind::Link:
      event->setDropAction(Qt::CopyAction);
      event->accept();
      emit linkDropped(dropped.fetchUrl, dropped.fileName);
      return;
    case DropKind::NotPdf:
      event->accept();
      services_.prompter.Information(Msg::OnlyPdfLinksAccepted);
      return;
    case DropKind::None:
      break;
  }
  event->ignore();
}

// ---- selection in step with the core ----

void CLeftView::SelectionFromCore() {
  if (syncing_) return;
  syncing_ = true;
  const ListRows& list = services_.list;
  QItemSelection selection;
  const int last = ListRows::kColumns - 1;
  for (int row = 0; row < list.RowCount();) {
    if (!list.IsSelected(row)) {
      ++row;
      continue;
    }
    int end = row;
    while (end + 1 < list.RowCount() && list.IsSelected(end + 1)) ++end;
    selection.select(model_->index(row, 0), model_->index(end, last));
    row = end + 1;
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  syncing_ = false;
  viewport()->update();
  emit listStateChanged();
}

// Rows inserted by the core shift Qt's selection with them; new selected rows are taken over
// with the next full rebuild, which merges runs of selected rows into one range each (a range
// per appended row would make every further insertion slower).
void CLeftView::SelectInsertedRows(int first, int last) {
  const ListRows& list = services_.list;
  for (int row = first; row <= last && row < list.RowCount(); ++row)
    if (list.IsSelected(row)) {
      ScheduleSelectionFromCore();
      // A selected new row (an imported document) is shown, not left below the visible rows.
      scrollTo(model_->index(row, 0), QAbstractItemView::EnsureVisible);
      return;
    }
}

void CLeftView::ScheduleSelectionFromCore() {
  if (selectionSyncPending_) return;
  selectionSyncPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        selectionSyncPending_ = false;
        SelectionFromCore();
      },
      Qt::QueuedConnection);
}

void CLeftView::SelectionToCore(const QItemSelection& selected, const QItemSelection& deselected) {
  if (syncing_) return;
  syncing_ = true;
  ListRows& list = services_.list;
  for (const QItemSelectionRange& range : deselected)
    for (int row = range.top(); row <= range.bottom() && row < list.RowCount(); ++row)
      if (!selectionModel()->isRowSelected(row, {})) list.SetSelected(row, false);
  for (const QItemSelectionRange& range : selected)
    for (int row = range.top(); row <= range.bottom() && row < list.RowCount(); ++row) list.SetSelected(row, true);
  syncing_ = false;
  viewport()->update();
  // The first place of the selected row's record, in pane 120.
  if (placeMatcher_ && !selected.isEmpty()) ShowFirstPlace();
  emit listStateChanged();
}

// ---- ribbon commands ----

void CLeftView::OnColColor() {
  std::optional<QColor> chosen = Modal::ChooseColor(this, colColor_);
  if (!chosen) return;
  colColor_ = *chosen;
  services_.settings.SetText(setting::ColColor, std::to_string(ToColorRef(colColor_)));
  delegate_->SetColumnColor(colColor_);
  viewport()->update();
}

void CLeftView::SortRows(bool descending) {
  if (selCol_ <= 0) return;
  SortList(services_.list, selCol_, descending ? SortOrder::Descending : SortOrder::Ascending, services_.prompter,
           services_.progress);
}

void CLeftView::OnSortUp() { SortRows(false); }
void CLeftView::OnSortDown() { SortRows(true); }

void CLeftView::OnListClear() {
  if (!ClearList(services_.list, services_.prompter)) return;
  SetPlaceMatcher(nullptr);
  viewport()->update();
}

void CLeftView::OnSaveList(const QString& name) {
  // A name that CP932 cannot hold would be saved under another name: refused instead.
  if (const QString bad = FirstCharWithoutCp932Form(name); !bad.isEmpty()) {
    services_.prompter.Error(Msg::BadFileNameCharacter, CodePointText(bad) + "\n");
    return;
  }
  SaveListUnderName(services_.list, services_.store, services_.prompter, ToCp932(name));
}

void CLeftView::OnLoadList() {
  if (!CanLoadList(services_.store)) return;
  const QString folder = PathToQString(ListFolderPath(services_.store));
  const QString chosen = Modal::ChooseOpenFile(this, QString::fromUtf8("リストファイルの指定"), folder,
                                               QStringLiteral("LIST FILE(*.list)"));
  if (chosen.isEmpty()) return;
  std::string name = FromNativePath(ToNativePathText(QFileInfo(chosen).fileName()));
  if (LoadChosenList(services_.list, services_.store, services_.prompter, name)) SetPlaceMatcher(nullptr);
}

void CLeftView::OnExcelOut() {
  QtDesktopOpener opener;
  ExportListToSpreadsheet(services_.list, FolidexDocumentsFolder(), services_.clock, services_.prompter,
                          services_.progress, opener);
}

}  // namespace folidex
