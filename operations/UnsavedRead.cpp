#include "operations/UnsavedRead.h"

#include "operations/HeadManager.h"

bool MayReplaceImage(const THeadManager& Head, const std::function<TUnsavedReadAnswer()>& Ask,
                     const std::function<void()>& Save) {
    if (!Head.HasUnsavedRead()) {
        return true;
    }
    switch (Ask()) {
    case TUnsavedReadAnswer::DontSave:
        return true;
    case TUnsavedReadAnswer::Save:
        Save();
        return !Head.HasUnsavedRead();
    case TUnsavedReadAnswer::Cancel:
        break;
    }
    return false;
}
