#pragma once
// The HtmlArea port: what the core asks of the HTML area (the browser view and its PDF pane).

#include <string>

namespace folidex {

class HtmlArea {
 public:
  virtual ~HtmlArea() = default;
  virtual void Navigate2(const std::string& urlOrPath) = 0;  // CP932
  virtual std::string GetLocationURL() const = 0;            // empty when nothing is shown
  virtual std::string GetLocationName() const = 0;           // the title, or the address
  virtual std::string LastModified() const = 0;              // the shown document's last-modified text
  virtual std::string PageType() const = 0;                  // "HTML", "PDF", a picture type or empty
  virtual bool DocumentLoaded() const = 0;
  virtual void SetDocumentLoaded(bool loaded) = 0;
  virtual int WaitTicks() const = 0;
  virtual void SetWaitTicks(int ticks) = 0;
  virtual void GoBack() = 0;
};

}  // namespace folidex
