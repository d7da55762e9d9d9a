#pragma once

// How a copy ended: every byte copied, cut short by the user (the prefix is kept), or failed
// (a message was shown; no image took the chosen name, and what was read, if anything, stays
// under the temporary name with its map for the next copy onto that name). Incomplete: the copy
// went on past unreadable sectors, or lost its disc, and kept an image with holes, which it has
// told.
enum class CopyOutcome { Completed, Stopped, Failed, Incomplete };

// The user's way out of a sector that failed every attempt: stop and delete the image, read
// that sector again, or skip unreadable sectors from now on and save all the rest.
enum class ReadErrorChoice { Stop, TryAgain, SkipAndGoOn };

enum class QuestionAnswer { Yes, No, Cancel };
