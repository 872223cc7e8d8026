#pragma once
// The HtmlArea port: what the core asks of the HTML area (the browser view and its PDF pane).
// Addresses are UTF-8: a native path, or a URL in its percent-encoded form. A record field that
// holds an address in CP932 (FG) is converted once, where it is read.

#include <string>

namespace folidex {

class HtmlArea {
 public:
  virtual ~HtmlArea() = default;
  virtual void Navigate2(const std::string& address) = 0;  // a native path or a URL
  virtual std::string GetLocationURL() const = 0;          // percent-encoded; empty when nothing is shown
  virtual std::string GetLocationName() const = 0;         // the title (UTF-8), or the address
  virtual std::string LastModified() const = 0;            // "MM/DD/YYYY hh:mm:ss" of the shown document
  virtual std::string PageType() const = 0;                // "HTML", "PDF", a picture type or empty
  virtual bool DocumentLoaded() const = 0;
  virtual void SetDocumentLoaded(bool loaded) = 0;
  virtual int WaitTicks() const = 0;
  virtual void SetWaitTicks(int ticks) = 0;
  virtual void GoBack() = 0;
  // The shown document's file name (UTF-8), kept beside its address: the server's
  // Content-Disposition name, else the address's last segment without its query, ".pdf"
  // appended when it has none. Empty when the area keeps none (a web page).
  virtual std::string ShownFileName() const { return {}; }
};

}  // namespace folidex
