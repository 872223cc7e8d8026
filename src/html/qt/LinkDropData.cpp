#include "html/qt/LinkDropData.h"

#include <QMimeData>
#include <QString>
#include <algorithm>

namespace folidex {
namespace {

// text/x-moz-url is UTF-16 (host order, sometimes with a byte-order mark) from browsers, and
// occasionally UTF-8.
QString MozUrlText(const QByteArray& bytes) {
  if (bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes.contains('\0')) {
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
  }
  return QString::fromUtf8(bytes);
}

}  // namespace

std::vector<std::string> DraggedUrls(const QMimeData* data) {
  if (!data) return {};
  if (data->hasFormat(QStringLiteral("text/uri-list"))) {
    const QByteArray list = data->data(QStringLiteral("text/uri-list"));
    std::vector<std::string> urls = ParseUriList(std::string_view(list.constData(), list.size()));
    if (!urls.empty()) return urls;
  }
  if (data->hasFormat(QStringLiteral("text/x-moz-url"))) {
    const QString text = MozUrlText(data->data(QStringLiteral("text/x-moz-url")));
    const QByteArray utf8 = text.toUtf8();
    std::string address = MozUrlAddress(std::string_view(utf8.constData(), utf8.size()));
    if (!address.empty()) return {address};
  }
  return {};
}

bool OffersWebLink(const QMimeData* data) {
  const std::vector<std::string> urls = DraggedUrls(data);
  return std::any_of(urls.begin(), urls.end(), [](const std::string& url) { return IsWebLink(url); }) &&
         std::none_of(urls.begin(), urls.end(), [](const std::string& url) { return !LocalFileUrlPath(url).empty(); });
}

DroppedLink ReadDroppedLink(const QMimeData* data) { return DecideDroppedLink(DraggedUrls(data)); }

}  // namespace folidex
