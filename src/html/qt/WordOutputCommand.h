#pragma once
// "Word 出力" as the desktop runs it: the text of the PDF the HTML area shows, captured through
// its viewer pane without the work text file, with the viewer's rich copy beside it, turned into
// a Word 97 document by LibreOffice and shown or saved as KanSet/DspWord says.

#include "common/qt/Services.h"

namespace folidex {

class CShelfView;
class ViewerBridge;

// True when a document was written.
bool RunWordOutputCommand(Services& services, CShelfView& html, ViewerBridge& viewer);

}  // namespace folidex
