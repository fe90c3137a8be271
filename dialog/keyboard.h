// The settings dialog for the keyboard and for screen readers: Tab goes through the controls in
// reading order, each radio group is one stop (the arrow keys move inside it), and every control
// carries the text of its label as its accessible name.
#pragma once

class QWidget;

namespace fellridge::dialog {

// Orders and names the controls of a built settings dialog, found by their object names.
// Neither a control's place nor its name changes.
void arrangeForKeyboard(QWidget& dialog);

}  // namespace fellridge::dialog
