#include "html/qt/WordOutputCommand.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include "common/Cp932.h"
#include "common/DocumentName.h"
#include "common/qt/QtDesktopOpener.h"
#include "common/qt/QtText.h"
#include "html/CShelfView.h"
#include "html/LibreOfficeWordProcessor.h"
#include "html/WordOutput.h"
#include "pdf/ViewerCapture.h"

namespace folidex {

bool RunWordOutputCommand(Services& services, CShelfView& html, ViewerBridge& viewer) {
  // The address in its readable form: the document's name (見積書.pdf, not its escapes) makes
  // the viewer key and the document's file name.
  // A PDF is named by the file name the area keeps ("get?id=5" served as a PDF is "get.pdf").
  const std::string shown = html.ShownFileName();
  const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(html.GetLocationURL()));
  const QString readable = url.toString(QUrl::PrettyDecoded);
  const std::string address =
      shown.empty() ? ToCp932(readable) : Utf8ToCp932(AddressWithName(readable.toStdString(), shown));
  const std::string key = ViewerTitleKey(address);
  if (key.empty()) return false;
  std::string text;
  if (CaptureViewerText(viewer, services.prompter, false, {}, key, text) != CaptureResult::Captured) return false;
  // The viewer's copy carries simple HTML beside the plain text: the formatted output uses it.
  std::string rich;
  if (const QMimeData* data = QGuiApplication::clipboard()->mimeData(); data && data->hasHtml())
    rich = data->html().toStdString();
  LibreOfficeWordProcessor processor;
  QtDesktopOpener opener;
  const WordOutputResult result = RunWordOutput({address, text, rich}, FolidexDocumentsFolder(), services.settings,
                                                services.prompter, services.progress, processor, opener);
  return result.outcome != WordOutcome::NotDone;
}

}  // namespace folidex
