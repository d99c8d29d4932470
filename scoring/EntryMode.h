#pragma once

// How score entry and awards know the participants: by name, or only by their codes. The menu
// that opens the window says which.
enum class EntryMode { ByName, ByCipher };
