#pragma once

class QWidget;

// The edit's typing limit (0 = none) and the length the program last allowed.
void SetTypingLimit(QWidget& edit, int maxChars);
int TypingLimit(const QWidget& edit);
// Lets the program put a longer text than the limit into the edit.
void AllowLength(QWidget& edit, int length);
