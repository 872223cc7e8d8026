#include "html/CShelfView.h"

namespace folidex {
namespace {
CShelfView* instance = nullptr;
}

CShelfView::CShelfView(Services& services, QWidget* parent) : QWidget(parent), services_(services) {
  setObjectName(QStringLiteral("CShelfView"));
  instance = this;
}

CShelfView::~CShelfView() {
  if (instance == this) instance = nullptr;
}

CShelfView* CShelfView::Instance() { return instance; }

void CShelfView::Navigate2(const std::string& urlOrPath) { location_ = urlOrPath; }
std::string CShelfView::GetLocationURL() const { return location_; }
std::string CShelfView::GetLocationName() const { return location_; }
std::string CShelfView::LastModified() const { return {}; }
std::string CShelfView::PageType() const { return pageType_; }
bool CShelfView::DocumentLoaded() const { return documentLoaded_; }
void CShelfView::SetDocumentLoaded(bool loaded) { documentLoaded_ = loaded; }
int CShelfView::WaitTicks() const { return waitTicks_; }
void CShelfView::SetWaitTicks(int ticks) { waitTicks_ = ticks; }
void CShelfView::GoBack() {}

}  // namespace folidex
