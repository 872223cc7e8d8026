// Where a search term stands: the list's tooltip for a row, the PDF pane at the term's first page
// with its places highlighted and stepped through, and the text dialog at the first place.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QPdfWriter>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Normalize.h"
#include "common/qt/QtText.h"
#include "dialogs/BodyTextEdit.h"
#include "dialogs/CTextDlg.h"
#include "dialogs/qt/BodyTextView.h"
#include "html/CPdfPane.h"
#include "html/qt/PdfPlaces.h"
#include "list/RecordRow.h"
#include "list_fixture.h"
#include "search/Places.h"
#include "support/qt/QtTestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

std::shared_ptr<const PlaceMatcher> Folded(const char* term) {
  return std::make_shared<const PlaceMatcher>(FoldForMatch(NormalizeSearchTerm(J(term))), true, false);
}

// GCC 12 sees an overlapping copy in the inlined assignments below that cannot happen.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
struct PlacesFixture : ListFixture {
  void Add(long serial, const std::string& body, bool selected) {
    IndexRecord r;
    r[FieldTag::TY] = "I";
    r[FieldTag::PT] = J("題名");
    r[FieldTag::TX] = NormalizeBodyText(body);
    store.WorkingRecord() = r;
    if (!store.WriteRecordFile(FormatSerial(serial))) QFAIL("cannot write a record");
    AppendRecordRow(list, store.WorkingRecord(), FormatSerial(serial), kMarkMissing, true);
    list.SetSelected(list.RowCount() - 1, selected);
  }
};
#pragma GCC diagnostic pop

}  // namespace

class PlacesTest : public QObject {
  Q_OBJECT

 private slots:
  void TooltipShowsThePlacesOfAnyRowAndReadsEachRowOnce() {
    PlacesFixture f;
    f.Add(0, J("冒頭の契約と、けいやく以外の契約、契約書、ｹｲﾔｸ、そして契約。"), false);
    f.Add(1, J("関係のない本文"), true);
    auto view = f.MakeView();
    view->SetPlaceMatcher(Folded("契約"));
    const int title = ColumnIndex(ListColumn::Title), text = ColumnIndex(ListColumn::TextSize);

    // Found on the worker thread: nothing shown until then, no waiting.
    QCOMPARE(view->TipTextForCell(0, title), QString());
    QSignalSpy found(view.get(), &CLeftView::placesFound);
    QTRY_COMPARE(found.count(), 1);
    const QString tip = view->TipTextForCell(0, title);
    QCOMPARE(tip.count(U("<b>契約</b>")), 3);
    QVERIFY(tip.startsWith(U("冒頭の<b>契約</b>と")));
    QVERIFY(tip.endsWith(U("<br>他 1 箇所")));
    // No place the folded search would not match (けいやく is not 契約); other cells: no tip
    // for a row that is not selected; a selected row keeps its (WClick) text first.
    QVERIFY(!tip.contains(U("けいやく</b>")));
    QCOMPARE(view->TipTextForCell(0, ColumnIndex(ListColumn::Author)), QString());
    QCOMPARE(view->TipTextForCell(1, text), CLeftView::TipTextFor(text));
    QTRY_COMPARE(found.count(), 2);

    // Read once: the record file gone, the row still shows its places; nothing in the cells.
    RemoveFile(f.store.StoreFilePath(FormatSerial(0), kKindText));
    QCOMPARE(view->TipTextForCell(0, text), tip);
    QVERIFY(!ToQString(f.list.Cell(0, ListColumn::Title)).contains(U("<b>")));

    // Selecting the row puts its first place in pane 120; a search without a body term, none.
    view->selectRow(0);
    QVERIFY(!f.progress.paneTexts.empty());
    QCOMPARE(f.progress.paneTexts.back().first, StatusPane::Url);
    QCOMPARE(ToQString(f.progress.paneTexts.back().second),
             U("[page ?] 冒頭の【契約】と、けいやく以外の契約、契約書、ｹｲﾔｸ、そして契約。"));
    view->SetPlaceMatcher(nullptr);
    QCOMPARE(view->TipTextForCell(0, title), CLeftView::TipTextFor(title));
  }

  // A new search fills the list while a row's places are still being found: what the old search
  // finds is dropped, the row shows the new search's places.
  void PlacesFoundForAnEarlierListAreDropped() {
    PlacesFixture f;
    f.Add(0, J("古い本文の契約"), false);
    auto view = f.MakeView();
    view->SetPlaceMatcher(Folded("契約"));
    const int title = ColumnIndex(ListColumn::Title);
    QCOMPARE(view->TipTextForCell(0, title), QString());  // being found
    f.list.DeleteAllRows();
    f.Add(0, J("新しい本文の解約"), false);
    view->SetPlaceMatcher(Folded("解約"));
    QTRY_VERIFY(view->TipTextForCell(0, title).contains(U("<b>解約</b>")));
    QVERIFY(!view->TipTextForCell(0, title).contains(U("契約")));
    view->SetPlaceMatcher(Folded("本文"));
    QCOMPARE(view->TipTextForCell(0, title), QString());
    view.reset();  // gone while its places are being found
  }

  void PaneOpensAtTheFirstPlaceAndStepsAroundTheDocument() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("terms.pdf"));
    WriteJapanesePdf(path, {U("一頁"), U("二頁目に契約がある"), U("三頁"), U("四頁"), U("契約と\n契約の五頁"),
                            U("六頁の東京\n都庁")});
    CPdfPane pane;
    pane.resize(500, 650);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    QString error;
    QVERIFY2(pane.Open(path, QStringLiteral("terms.pdf"), &error), qPrintable(error));
    PdfPlaces places(pane);
    QVERIFY(places.Show(*Folded("契約")));
    QTRY_VERIFY(places.Complete());  // the pages after the first place, read from the event loop
    QCOMPARE(places.Count(), 3);
    QCOMPARE(places.Places()[0].page, 1);
    QCOMPARE(places.Places()[2].page, 4);
    QVERIFY(places.Bar()->isVisible());
    QCOMPARE(places.PositionText(), QStringLiteral("1/3"));
    QTRY_COMPARE(pane.View()->pageNavigator()->currentPage(), 1);
    // The places on the shown page are highlighted, those of page 5 are not shown.
    QTRY_VERIFY(!places.VisibleHighlights().isEmpty());
    QCOMPARE(places.VisibleHighlights().size(), places.Places()[0].rects.size());
    const QRectF page = PageRectInViewport(*pane.View(), 1);
    for (const QRectF& r : places.VisibleHighlights()) QVERIFY(page.contains(r));

    places.Next();
    QCOMPARE(places.PositionText(), QStringLiteral("2/3"));
    QTRY_COMPARE(pane.View()->pageNavigator()->currentPage(), 4);
    QTRY_COMPARE(places.VisibleHighlights().size(), places.Places()[1].rects.size() + places.Places()[2].rects.size());
    places.Next();
    places.Next();  // wraps to the first
    QCOMPARE(places.PositionText(), QStringLiteral("1/3"));
    QTRY_COMPARE(pane.View()->pageNavigator()->currentPage(), 1);
    places.Previous();  // and back round to the last
    QCOMPARE(places.PositionText(), QStringLiteral("3/3"));
    places.Bar()->findChild<QToolButton*>(QStringLiteral("PreviousPlace"))->click();
    QCOMPARE(places.PositionText(), QStringLiteral("2/3"));

    // A term across a line end is found as the import joined the lines, also matched exactly.
    QVERIFY(places.Show(PlaceMatcher(NormalizeSearchTerm(J("東京都")), false, false)));
    QTRY_VERIFY(places.Complete());
    QCOMPARE(places.Count(), 1);
    QCOMPARE(places.Places()[0].page, 5);
    QVERIFY(places.Places()[0].rects.size() >= 2);  // on both lines

    // Another document ends the places.
    QVERIFY(pane.Open(path, QStringLiteral("terms.pdf"), &error));
    QCOMPARE(places.Count(), 0);
    QVERIFY(!places.Bar()->isVisible());
    QVERIFY(!places.Show(*Folded("見当たらない")));
    QTRY_VERIFY(places.Complete());
    QVERIFY(!places.Bar()->isVisible());
  }

  // Read a page a slice: the first place is gone to when its page is read, the number in all
  // is "…" until every page is, and stepping past what is known reads on.
  // F3 steps with the focus anywhere in the window (as in the list the PDF was opened from).
  void PaneReadsThePagesAfterTheFirstPlaceLater() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("terms.pdf"));
    WriteJapanesePdf(path,
                     {U("一頁"), U("二頁目に契約がある"), U("三頁"), U("四頁"), U("契約と\n契約の五頁"), U("六頁")});
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* elsewhere = new QLineEdit(&window);
    auto* shown = new CPdfPane(&window);
    column->addWidget(elsewhere);
    column->addWidget(shown);
    CPdfPane& pane = *shown;
    window.resize(500, 700);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    elsewhere->setFocus();
    QString error;
    QVERIFY2(pane.Open(path, QStringLiteral("terms.pdf"), &error), qPrintable(error));
    PdfPlaces places(pane);
    places.SetSlices(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    QVERIFY(!places.Show(*Folded("契約")));  // page 1 only: no place yet
    QVERIFY(!places.Bar()->isVisible());
    QTRY_COMPARE(places.PositionText(), U("1/…"));
    QVERIFY(places.Bar()->isVisible());
    QTRY_COMPARE(pane.View()->pageNavigator()->currentPage(), 1);
    QTest::keyClick(elsewhere, Qt::Key_F3);  // beyond the first, read on now to the next place
    QCOMPARE(places.Current(), 1);
    QCOMPARE(places.Places()[1].page, 4);
    QTRY_COMPARE(places.PositionText(), U("2/3"));

    // Before the first while pages are unread: round to the very last.
    places.Show(*Folded("契約"));
    QTRY_VERIFY(places.Current() == 0);
    QVERIFY(!places.Complete());
    QTest::keyClick(elsewhere, Qt::Key_F3, Qt::ShiftModifier);
    QVERIFY(places.Complete());
    QCOMPARE(places.PositionText(), U("3/3"));
    QCOMPARE(elsewhere->text(), QString());

    // The page of the first place known: reading starts there.
    places.Show(*Folded("契約"), 4);
    QTRY_VERIFY(places.Complete());
    QCOMPARE(places.Count(), 2);
    QCOMPARE(places.Places()[0].page, 4);
    QTRY_COMPARE(pane.View()->pageNavigator()->currentPage(), 4);
  }

  // The highlight covers the word on the page as the view draws it: a term printed in red on a
  // late page among pages of other heights, in the width-fitted view and zoomed; the view grabbed
  // with and without the highlights tells where each is.
  void HighlightCoversTheWordWhereTheViewDrawsIt() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("red.pdf"));
    {
      QPdfWriter writer(path);
      writer.setResolution(300);
      QPainter painter;
      QFont font(QStringLiteral("Noto Sans CJK JP"));
      font.setPointSize(14);
      for (int i = 0; i < 12; ++i) {
        // Heights that fall between whole pixels, so that rounding shows.
        writer.setPageSize(QPageSize(QSizeF(203.3, 251.7 + 13.9 * (i % 5)), QPageSize::Millimeter));
        if (i == 0) {
          painter.begin(&writer);
          painter.setFont(font);
        } else {
          writer.newPage();
        }
        painter.setPen(Qt::black);
        for (int line = 0; line < 30; ++line)
          painter.drawText(QPoint(220, 260 + line * 90), U("本文の行がここに続いています %1 %2").arg(i).arg(line));
        if (i != 8) continue;
        const QString before = U("前置き ");
        const QPoint at(400, 260 + 12 * 90 + 45);
        painter.drawText(at, before);
        painter.setPen(Qt::red);
        painter.drawText(at + QPoint(painter.fontMetrics().horizontalAdvance(before), 0), U("契約"));
      }
    }
    CPdfPane pane;
    pane.resize(700, 600);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    QString error;
    QVERIFY2(pane.Open(path, QStringLiteral("red.pdf"), &error), qPrintable(error));
    PdfPlaces places(pane);
    QWidget* layer = pane.View()->viewport()->findChild<QWidget*>(QStringLiteral("PlaceHighlights"));
    QVERIFY(layer);
    for (const double zoom : {1.0, 1.7}) {
      pane.SetZoom(zoom);
      QVERIFY(places.Show(*Folded("契約")));
      QTRY_VERIFY(places.Complete());
      QCOMPARE(places.Count(), 1);
      QCOMPARE(places.Places()[0].page, 8);
      QTRY_COMPARE(pane.View()->pageNavigator()->currentPage(), 8);
      // The red glyphs once the page is drawn, the highlights hidden.
      auto box = [](const QImage& image, auto&& keep) {
        QRect found;
        for (int y = 0; y < image.height(); ++y)
          for (int x = 0; x < image.width(); ++x)
            if (keep(x, y)) found |= QRect(x, y, 1, 1);
        return found;
      };
      QImage plain, marked;
      QRect red;
      layer->hide();
      QTRY_VERIFY((plain = pane.View()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32),
                   red = box(plain,
                             [&](int x, int y) {
                               const QColor c = plain.pixelColor(x, y);
                               return c.red() > 180 && c.green() < 90 && c.blue() < 90;
                             }),
                   red.width() > 8));
      layer->show();
      marked = pane.View()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
      const QRect lit = box(marked, [&](int x, int y) { return marked.pixel(x, y) != plain.pixel(x, y); });
      const QString where = QStringLiteral("zoom %1: word %2,%3 %4x%5, highlight %6,%7 %8x%9")
                                .arg(zoom)
                                .arg(red.x())
                                .arg(red.y())
                                .arg(red.width())
                                .arg(red.height())
                                .arg(lit.x())
                                .arg(lit.y())
                                .arg(lit.width())
                                .arg(lit.height());
      QVERIFY2(lit.adjusted(-1, -1, 1, 1).contains(red), qPrintable(where));
      QVERIFY2(lit.width() <= red.width() * 1.3 + 6 && lit.height() <= red.height() * 2.0 + 6, qPrintable(where));
    }
  }

  void TextDialogOpensAtTheFirstPlace() {
    PlacesFixture f;
    const std::string line = J("長い本文の行です。"), last = J("ここにｹｲﾔｸ、あとに契約。");
    std::string body;
    body.reserve(300 * line.size() + last.size());
    for (int k = 0; k < 300; ++k) body.append(line);
    body.append(last);
    f.Add(0, body, true);
    const auto matcher = Folded("ケイヤク");
    QVERIFY(LoadTextRecord(f.store, f.prompter, FormatSerial(0)));
    CTextDlg dialog(f.store, f.prompter, f.settings, f.list, FormatSerial(0));
    const std::vector<Span> spans = matcher->Find(f.store.WorkingRecord()[FieldTag::TX], true);
    QCOMPARE(spans.size(), std::size_t{1});
    dialog.ShowPlace(U("ケイヤク"), spans.front());
    QCOMPARE(dialog.Term()->text(), U("ケイヤク"));
    const auto [start, end] = dialog.Text()->JoinedSelection();
    QCOMPARE(dialog.Text()->JoinedText().mid(start, end - start), U("ｹｲﾔｸ"));
    QCOMPARE(start, qsizetype(300 * 9 + 3));
  }
};

QTEST_MAIN(PlacesTest)
#include "places_test.moc"
