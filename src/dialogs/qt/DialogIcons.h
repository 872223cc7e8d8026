#pragma once
// The small pictures of the record dialogs' image buttons, drawn in code: paste from the
// clipboard, undo, search toward the beginning or the end, smaller or larger text.

#include <QIcon>

namespace folidex {

QIcon PasteIcon();
QIcon UndoIcon();
QIcon SearchIcon(bool towardEnd);
QIcon TextSizeIcon(bool larger);

}  // namespace folidex
