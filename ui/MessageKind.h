#pragma once

// The two kinds of message box the window shows: an error with an OK button (hand icon), and the one
// question with Yes and No (exclamation icon).
enum class MessageKind { Error, Confirm };
enum class MessageAnswer { Ok, Yes, No };
