#pragma once

#include <QString>

class QWidget;

// The text a control shows, whatever its kind (the role of a window text): a button's or label's text,
// a group box's title, an edit's contents.
QString ControlText(const QWidget& control);
// Replaces the text a control shows.
void SetControlText(QWidget& control, const QString& text);
// The string table's text by id, for a control; an unknown id gives the empty text.
QString ResourceText(int stringId);
