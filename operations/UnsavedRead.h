// The rule every front end follows before something replaces the current image (a new image,
// another file, a new read, the end of the program): pages read from the programmer and not
// saved since are not dropped without the user's answer. A front end only asks its question in
// its own way and saves in its own way; what the answer means is decided here.
#pragma once

#include <functional>

class THeadManager;

// The user's answer to the question before an unsaved read is dropped.
enum class TUnsavedReadAnswer { Save, DontSave, Cancel };

// Whether the current image may be replaced now. True at once when it holds no unsaved read;
// otherwise Ask is asked: DontSave goes on, Cancel does not, Save runs Save and goes on only
// when that saved the read (a cancelled save dialog or a failed save keeps it; what Save raises
// passes on).
bool MayReplaceImage(const THeadManager& Head, const std::function<TUnsavedReadAnswer()>& Ask,
                     const std::function<void()>& Save);
