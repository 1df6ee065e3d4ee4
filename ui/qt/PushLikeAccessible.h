#pragma once

class QPushButton;

// Makes a push-like check box (a checkable push button, such as Connect) read to a screen reader as the
// push button it looks like, named by its caption as the caption changes; Qt would read a check box,
// checked or not, which is what a user cannot see.
void ReadAsPushButton(QPushButton& button);
