#pragma once

// "Notify me of problems", remembered for each user of this PC.

// The user's choice; on when none has been remembered or it cannot be read.
bool ReadNotifyProblems();
// Remembers the choice for the next start; false when it cannot be written.
bool SaveNotifyProblems(bool on);
