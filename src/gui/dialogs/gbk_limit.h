#pragma once
// Limits what can be typed into a text box by the number of bytes the text takes in GBK, the
// code page of the trace files: a change that would exceed the limit is cut back.

class QLineEdit;
class QPlainTextEdit;

namespace otdr::gui {

void limitGbkBytes(QLineEdit* edit, int maxBytes);
void limitGbkBytes(QPlainTextEdit* edit, int maxBytes);

}  // namespace otdr::gui
