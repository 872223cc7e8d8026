#pragma once
// Reading a drop's data for the list area: the dragged URLs of text/uri-list (files from a file
// manager, links from a browser) or, without it, the address of text/x-moz-url (a browser's link
// with its title), as UTF-8 texts, and the decision DecideDroppedLink makes on them.

#include <string>
#include <vector>

#include "html/DroppedLink.h"

class QMimeData;

namespace folidex {

// The dragged URLs (UTF-8) as the data gives them, without Qt's normalisation.
std::vector<std::string> DraggedUrls(const QMimeData* data);

// Whether the data carries a web link (the list area answers "copy" for it).
bool OffersWebLink(const QMimeData* data);

// DecideDroppedLink over DraggedUrls.
DroppedLink ReadDroppedLink(const QMimeData* data);

}  // namespace folidex
