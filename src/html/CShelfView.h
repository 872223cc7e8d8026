#pragma once
// The HTML area: the browser view (and, for PDF documents, the PDF viewer pane) under its bar.

#include <QWidget>

#include "common/HtmlArea.h"
#include "common/qt/Services.h"

namespace folidex {

class CShelfView : public QWidget, public HtmlArea {
  Q_OBJECT

 public:
  explicit CShelfView(Services& services, QWidget* parent = nullptr);
  ~CShelfView() override;

  // The one HTML area of the program (set when it is created).
  static CShelfView* Instance();

  // HtmlArea
  void Navigate2(const std::string& urlOrPath) override;
  std::string GetLocationURL() const override;
  std::string GetLocationName() const override;
  std::string LastModified() const override;
  std::string PageType() const override;
  bool DocumentLoaded() const override;
  void SetDocumentLoaded(bool loaded) override;
  int WaitTicks() const override;
  void SetWaitTicks(int ticks) override;
  void GoBack() override;

 signals:
  void statusTextChanged(const QString& text);    // status pane 120
  void loadingChanged(bool busy);                 // status pane 121's busy animation
  void pageTypeChanged(const QString& pageType);  // the ribbon's ID_NOW_DSP indicator

 protected:
  Services& services_;
  std::string location_;
  std::string pageType_;
  bool documentLoaded_ = false;
  int waitTicks_ = 0;
};

}  // namespace folidex
