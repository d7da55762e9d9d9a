#pragma once

// How a copy ended: every byte copied, cut short by the user (the prefix is kept), or failed
// (a message was shown and no image is left). Incomplete: the copy went on past unreadable
// sectors and kept an image with holes, which it has told.
enum class CopyOutcome { Completed, Stopped, Failed, Incomplete };

// The user's way out of a sector that failed every attempt: stop and delete the image, read
// that sector again, or skip unreadable sectors from now on and save all the rest.
enum class ReadErrorChoice { Stop, TryAgain, SkipAndGoOn };

enum class QuestionAnswer { Yes, No, Cancel };
