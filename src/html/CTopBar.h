#pragma once
// The HTML area's bar: back, forward, stop, home, home change, text size up and down, the
// bookmark button, "ナビ" and the address edit, in one row above the browser.
//
// Object names are the control numbers: "1004" back, "1005" forward, "1007" stop, "1008" home,
// "1009" home change, "1011" text size up, "1012" text size down, "1010" bookmarks (a
// checkable button), "1006" ナビ (the default button), "1000" the address edit.

#include <QWidget>
#include <functional>

class QLineEdit;
class QPushButton;
class QToolButton;

namespace folidex {

class CTopBar : public QWidget {
  Q_OBJECT

 public:
  explicit CTopBar(QWidget* parent = nullptr);

  QLineEdit* AddressEdit() const { return address_; }
  QToolButton* BookmarkButton() const { return bookmark_; }
  void SetAddress(const QString& url);

  // The text size level 0..4 (starts at 3 on every run).
  int ZoomLevel() const { return zoomLevel_; }
  // One step larger (+1) or smaller (-1), as the buttons do: unchanged at either end.
  void StepZoomBy(int step);

  // What a click on the bookmark button does; the button is unchecked again afterwards.
  void SetBookmarkHandler(std::function<void(QToolButton*)> handler) { bookmarkHandler_ = std::move(handler); }

 signals:
  void backRequested();
  void forwardRequested();
  void stopRequested();
  void homeRequested();
  void homeChangeRequested();
  void navigateRequested(const QString& address);  // ナビ or Enter with a non-empty address
  void zoomLevelChanged(int level);

 private:
  QToolButton* AddButton(const char* name, const QString& tip, const QIcon& icon);
  void StepZoom(int level);

  QLineEdit* address_ = nullptr;
  QToolButton* bookmark_ = nullptr;
  QPushButton* navi_ = nullptr;
  int zoomLevel_;
  std::function<void(QToolButton*)> bookmarkHandler_;
};

}  // namespace folidex
